#include "support/DebugWindowController.h"

#include "support/Log.h"

#include <QFormLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

std::atomic<DebugWindowController *> DebugWindowController::s_shared{nullptr};

DebugWindowController::DebugWindowController() = default;

DebugWindowController::~DebugWindowController()
{
    DebugWindowController *self = this;
    s_shared.compare_exchange_strong(self, nullptr);
    delete m_window;
}

DebugWindowController *DebugWindowController::sharedInstance()
{
    return s_shared.load(std::memory_order_acquire);
}

void DebugWindowController::showWindow()
{
    if (!m_window) {
        m_window = new QWidget(nullptr, Qt::Window);
        m_window->setWindowTitle(tr("Debug"));
        auto *form = new QFormLayout;
        auto makeField = [this, form](const QString &label) {
            auto *field = new QLabel(m_window);
            field->setTextInteractionFlags(Qt::TextSelectableByMouse);
            form->addRow(label, field);
            return field;
        };
        m_cacheCountTextField = makeField(tr("Cache:"));
        m_itemsCountTextField = makeField(tr("Items:"));
        m_drawnLastDrawRectCountTextField = makeField(tr("Drawn last pass:"));
        m_pendingImageLoadsCountTextField = makeField(tr("Pending loads:"));
        auto *breakButton = new QPushButton(tr("Log Break"), m_window);
        connect(breakButton, &QPushButton::clicked, this, &DebugWindowController::logBreak);
        auto *layout = new QVBoxLayout(m_window);
        layout->addLayout(form);
        layout->addWidget(breakButton, 0, Qt::AlignRight);
        windowDidLoad();
    }
    m_window->show();
    m_window->raise();
}

void DebugWindowController::windowDidLoad()
{
    s_shared.store(this, std::memory_order_release);
    m_cacheCountTextField->setText(QStringLiteral("0"));
}

void DebugWindowController::setCacheCount(qint64 count, qint64 limit)
{
    setFieldText(m_cacheCountTextField, QStringLiteral("%1 of %2").arg(count).arg(limit));
}

void DebugWindowController::setContentItemsCount(qint64 count)
{
    setFieldText(m_itemsCountTextField, QString::number(count));
}

void DebugWindowController::setDrawnLastDrawRectCount(qint64 count)
{
    setFieldText(m_drawnLastDrawRectCountTextField, QString::number(count));
}

void DebugWindowController::setPendingImageLoadsCount(qint64 count)
{
    setFieldText(m_pendingImageLoadsCountTextField, QString::number(count));
}

void DebugWindowController::logBreak()
{
    LMRLog(QStringLiteral("--"));
}

// Reporters run on any thread and must never wait for the display: the text is made here and
// the label is touched only on the main thread, whenever it gets to it.
void DebugWindowController::setFieldText(QLabel *field, const QString &text)
{
    if (!field)
        return;
    QMetaObject::invokeMethod(
        this, [field = QPointer<QLabel>(field), text] {
            if (field)
                field->setText(text);
        },
        Qt::QueuedConnection);
}

static QString fieldText(const QLabel *field)
{
    return field ? field->text() : QString();
}

QString DebugWindowController::cacheCountText() const { return fieldText(m_cacheCountTextField); }
QString DebugWindowController::itemsCountText() const { return fieldText(m_itemsCountTextField); }
QString DebugWindowController::drawnLastDrawRectCountText() const
{
    return fieldText(m_drawnLastDrawRectCountTextField);
}
QString DebugWindowController::pendingImageLoadsCountText() const
{
    return fieldText(m_pendingImageLoadsCountTextField);
}
