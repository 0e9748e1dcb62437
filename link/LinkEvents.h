#pragma once

#include <cstdint>
#include <memory>

#include <QEvent>

// Events of the converter link, posted with QCoreApplication::postEvent.
//
//   WM_LINK_DATA      reader thread -> link: bytes are waiting in the ring
//   WM_LINK_CONFIG    link -> owner: ReportedConfig has just been updated
//   WM_LINK_ACTIVITY  link -> owner: LinkActivityEvent, 1 = transmit confirmed,
//                     2 = CAN frame received (or several: one event per batch)
//   WM_LINK_PORT_LOST reader thread -> link: the device went away (hang-up or
//                     I/O error); the reader has ended
inline constexpr QEvent::Type WM_LINK_DATA = static_cast<QEvent::Type>(1125);
inline constexpr QEvent::Type WM_LINK_CONFIG = static_cast<QEvent::Type>(1126);
inline constexpr QEvent::Type WM_LINK_ACTIVITY = static_cast<QEvent::Type>(1127);
inline constexpr QEvent::Type WM_LINK_PORT_LOST = static_cast<QEvent::Type>(1128);

enum LinkActivity : int {
    kActivityTransmitConfirmed = 1,
    kActivityFrameReceived = 2,
};

// pending, when given, is set while the event exists: the link posts no
// second one of the kind while the first still waits, so that a flood of
// received frames costs one event per batch, not one per frame.
class LinkActivityEvent : public QEvent {
public:
    explicit LinkActivityEvent(int activity, std::shared_ptr<bool> pending = nullptr)
        : QEvent(WM_LINK_ACTIVITY), m_activity(activity), m_pending(std::move(pending))
    {
        if (m_pending) {
            *m_pending = true;
        }
    }
    ~LinkActivityEvent() override
    {
        if (m_pending) {
            *m_pending = false;
        }
    }
    int Activity() const { return m_activity; }

private:
    int m_activity;
    std::shared_ptr<bool> m_pending;
};

// Carries the open session of the port it is about, so that a report from a
// reader that belonged to an earlier opening does not close a newer one.
class LinkPortLostEvent : public QEvent {
public:
    explicit LinkPortLostEvent(uint64_t session) : QEvent(WM_LINK_PORT_LOST), m_session(session) {}
    uint64_t Session() const { return m_session; }

private:
    uint64_t m_session;
};
