#include "app/AboutBox.h"

#include "app/CommandLine.h"
#include "platform/LibraryInfo.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

QUrl LMRWebsiteURL()
{
    return QUrl(QStringLiteral("https://lumory.app/"));
}

LMRAboutBox::LMRAboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(tr("About Lumory"));

    auto *icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/lumory.svg")).pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);
    icon->setAccessibleName(tr("Lumory icon"));

    auto *title = new QLabel(QStringLiteral("Lumory"), this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    title->setFont(titleFont);

    auto *version = new QLabel(tr("Version %1").arg(LMRApplicationVersion()), this);
    version->setObjectName(QStringLiteral("aboutVersion"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *description = new QLabel(tr("A fast image browser for the Linux desktop: the images, PDFs and videos "
                                      "of a folder as thumbnails, full size, or as a slideshow."),
                                   this);
    description->setWordWrap(true);

    const QUrl website = LMRWebsiteURL();
    auto *link = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>")
                                .arg(website.toString(QUrl::FullyEncoded).toHtmlEscaped(),
                                     website.host().toHtmlEscaped()),
                            this);
    link->setObjectName(QStringLiteral("aboutWebsite"));
    link->setOpenExternalLinks(true);
    link->setTextInteractionFlags(Qt::TextBrowserInteraction);

    auto *licence = new QLabel(
        tr("Lumory is free software: you can redistribute it and modify it under the terms of the "
           "<a href=\"https://www.gnu.org/licenses/gpl-3.0.html\">GNU General Public License</a>, version 3 "
           "or (at your option) any later version. It comes with absolutely no warranty."),
        this);
    licence->setObjectName(QStringLiteral("aboutLicence"));
    licence->setWordWrap(true);
    licence->setOpenExternalLinks(true);
    licence->setTextInteractionFlags(Qt::TextBrowserInteraction);

    auto *librariesLabel = new QLabel(tr("Lumory uses these libraries:"), this);
    auto *libraries = new QTreeWidget(this);
    libraries->setObjectName(QStringLiteral("aboutLibraries"));
    libraries->setAccessibleName(tr("Libraries"));
    libraries->setRootIsDecorated(false);
    libraries->setSelectionMode(QAbstractItemView::NoSelection);
    libraries->setHeaderLabels({tr("Library"), tr("Version"), tr("Licence")});
    for (const LMRLibraryInfo &library : LMRLinkedLibraries())
        new QTreeWidgetItem(libraries, {library.name, library.version, library.licence});
    libraries->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    librariesLabel->setBuddy(libraries);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto *text = new QVBoxLayout;
    text->addWidget(title);
    text->addWidget(version);
    text->addSpacing(6);
    text->addWidget(description);
    text->addWidget(link);
    text->addSpacing(6);
    text->addWidget(licence);
    auto *top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(12);
    top->addLayout(text, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(6);
    layout->addWidget(librariesLabel);
    layout->addWidget(libraries, 1);
    layout->addWidget(buttons);
    resize(560, 520);
}
