#pragma once
// The About box: the program's version, what it is, its web page, its licence, and the
// libraries it uses with their versions and licences. One box per main window, made on first
// use and shown again afterwards; it is not modal.

#include <QDialog>
#include <QUrl>

// The product's home page.
QUrl LMRWebsiteURL();

class LMRAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit LMRAboutBox(QWidget *parent = nullptr);
};
