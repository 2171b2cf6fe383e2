#include "platform/DisplayColorProfile.h"

#include "platform/ColorManagement.h"

#include <QGuiApplication>

#if LUMORY_HAVE_XCB
#include <xcb/xcb.h>
#endif

#include <cstdlib>

LMRDisplayColorProfile::LMRDisplayColorProfile(QObject *parent) : QObject(parent)
{
#if LUMORY_HAVE_XCB
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (connection) {
        const xcb_setup_t *setup = xcb_get_setup(connection);
        const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
        static const char name[] = "_ICC_PROFILE";
        xcb_intern_atom_reply_t *atom =
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof(name) - 1, name), nullptr);
        if (screens.rem > 0 && atom) {
            m_connection = connection;
            m_root = screens.data->root;
            m_atom = atom->atom;
            // Property changes of the root window are needed; whatever else Qt listens to
            // there stays selected.
            xcb_get_window_attributes_reply_t *attributes = xcb_get_window_attributes_reply(
                connection, xcb_get_window_attributes(connection, m_root), nullptr);
            const quint32 mask = (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_PROPERTY_CHANGE;
            std::free(attributes);
            xcb_change_window_attributes(connection, m_root, XCB_CW_EVENT_MASK, &mask);
            xcb_flush(connection);
            QCoreApplication::instance()->installNativeEventFilter(this);
        }
        std::free(atom);
    }
#endif
    m_profile = readProfile();
    LMRColorManagement::setDisplayProfile(m_profile);
}

LMRDisplayColorProfile::~LMRDisplayColorProfile()
{
    if (m_connection && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

QByteArray LMRDisplayColorProfile::readProfile() const
{
#if LUMORY_HAVE_XCB
    if (!m_connection)
        return {};
    auto *connection = static_cast<xcb_connection_t *>(m_connection);
    // Profiles are a few kilobytes; a display's LUT profile may reach a megabyte or two.
    constexpr quint32 kMaxWords = (16u << 20) / 4;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, m_root, m_atom, XCB_GET_PROPERTY_TYPE_ANY, 0, kMaxWords), nullptr);
    QByteArray bytes;
    if (reply && reply->format == 8 && reply->bytes_after == 0) {
        const int length = xcb_get_property_value_length(reply);
        if (length > 0)
            bytes = QByteArray(static_cast<const char *>(xcb_get_property_value(reply)), length);
    }
    std::free(reply);
    return bytes;
#else
    return {};
#endif
}

void LMRDisplayColorProfile::reload()
{
    m_reloadQueued = false;
    const QByteArray profile = readProfile();
    if (profile == m_profile)
        return;
    m_profile = profile;
    LMRColorManagement::setDisplayProfile(profile);
    emit profileChanged();
}

bool LMRDisplayColorProfile::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
#if LUMORY_HAVE_XCB
    if (eventType != "xcb_generic_event_t" || !message)
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto *notify = static_cast<const xcb_property_notify_event_t *>(message);
    // Read after the event has been handled: the filter runs inside Qt's event processing,
    // and a daemon writes a profile in one go anyway.
    if (notify->window == m_root && notify->atom == m_atom && !m_reloadQueued) {
        m_reloadQueued = true;
        QMetaObject::invokeMethod(this, &LMRDisplayColorProfile::reload, Qt::QueuedConnection);
    }
#else
    Q_UNUSED(eventType);
    Q_UNUSED(message);
#endif
    return false;
}
