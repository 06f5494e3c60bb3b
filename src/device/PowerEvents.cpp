#include "PowerEvents.h"

#include "DeviceLink.h"
#include "ThreadTimer.h"

namespace karvo {

PowerEvents::PowerEvents(DeviceLink& link, ThreadTimer& devMon, PowerHost& host, QObject* parent)
    : QObject(parent), link_(link), devMon_(devMon), host_(host) {}

QString PowerEvents::eventText(quint32 code) {
    switch (code) {
        case PowerEvent::QuerySuspend: return QStringLiteral("Windows is asking for hibernate Mode");
        case PowerEvent::QueryStandby: return QStringLiteral("Windows is asking for standby Mode");
        case PowerEvent::QuerySuspendFailed:
            return QStringLiteral("Windows is denied to go to hibernate mode");
        case PowerEvent::QueryStandbyFailed:
            return QStringLiteral(" Windows is denied to go to standby mode");
        case PowerEvent::Suspend: return QStringLiteral("Windows is going to hibernate");
        case PowerEvent::Standby: return QStringLiteral("Windows is going to standby");
        case PowerEvent::ResumeCritical:
            return QStringLiteral("Windows has resumed from critical hibernate mode");
        case PowerEvent::ResumeSuspend: return QStringLiteral("Windows has resumed from hibernate mode");
        case PowerEvent::ResumeStandby: return QStringLiteral("Windows has resumed from standby mode");
        case PowerEvent::ResumeAutomatic:
            return QStringLiteral("Windows has resumed to handle an automatic event");
        default:
            return QStringLiteral("### !!! This event is not handled! !!! ### ID: ") +
                   QString::number(code);
    }
}

int PowerEvents::WMPOWERBROADCAST(quint32 code) {
    host_.SetSysLog(QStringLiteral(" Received WMPOWERBROADCAST Id: ") + QString::number(code));
    std::lock_guard lock(PowerEventLock);
    host_.SetSysLog(eventText(code));
    switch (code) {
        case PowerEvent::Suspend:
        case PowerEvent::Standby:
            OnSuspend();
            break;
        case PowerEvent::ResumeCritical:
        case PowerEvent::ResumeSuspend:
        case PowerEvent::ResumeStandby:
        case PowerEvent::ResumeAutomatic:
            OnResume();
            break;
        default:
            break;
    }
    return 0;
}

void PowerEvents::OnSuspend() {
    host_.SetSysLog(QStringLiteral("Disconnecting from device."));
    // The wheel base is checked in, not just forgotten, so that the pass after the resume can
    // take it again; the link reads "Disconnected" until then.
    link_.dropDevice();
    devMon_.setEnabled(false);
    emit suspendHandled();
}

void PowerEvents::OnResume() {
    host_.SetSysLog(QStringLiteral("Re-connecting with device."));
    if (!link_.Enumerating) link_.runPass();
    devMon_.setEnabled(true);
    emit resumeHandled();
}

int PowerEvents::WMQUERYENDSESSION() {
    host_.SetSysLog(QStringLiteral(" Windows is requesting shutdown mode"));
    return 1;
}

int PowerEvents::WMENDSESSION() {
    host_.SetSysLog(QStringLiteral(" Windows shutdown mode executed"));
    host_.terminateApplication();
    return 0;
}

}  // namespace karvo
