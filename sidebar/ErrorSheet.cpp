#include "sidebar/ErrorSheet.h"

#include <QMessageBox>

namespace {

LMRErrorSheet::Handler &testHandler()
{
    static LMRErrorSheet::Handler handler;
    return handler;
}

} // namespace

namespace LMRErrorSheet {

Handler setHandlerForTesting(Handler handler)
{
    Handler previous = std::move(testHandler());
    testHandler() = std::move(handler);
    return previous;
}

void show(QWidget *window, const QString &text)
{
    if (const Handler &handler = testHandler()) {
        handler(window, text);
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Warning, QString(), text, QMessageBox::Ok, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

} // namespace LMRErrorSheet
