#include "Profiles.h"

#include "CommandChannel.h"
#include "ProfileHost.h"
#include "SystemLog.h"
#include "TamselConfig.h"

namespace karvo {

namespace {
const QString kSection = QStringLiteral("Profiles");
const QString kActiveProfile = QStringLiteral("ActiveProfile");
const QString kWheelBase = QStringLiteral("WheelBase");
const QString kUserEffect = QStringLiteral("UserEffect");
const QString kTelemetry = QStringLiteral("Telemetry");
const QString kLoading = QStringLiteral("Loading");
const QString kOn = QStringLiteral("1");
const QString kOff = QStringLiteral("0");
}  // namespace

Profiles::Profiles(CommandChannel& channel, TamselConfig& settings, SystemLog& log,
                   ProfileHost& host)
    : channel_(channel), settings_(settings), log_(log), host_(host) {}

void Profiles::btnLoadProfileClick() {
    // Each packet reads the selected slot when its turn comes.
    channel_.Load(channel_.selectedSlot());
    channel_.Recv(channel_.selectedSlot(), RecordType::WheelBaseConfig, 0, RequestId::WheelBase,
                  QStringLiteral("LoadWheelBase"));
    channel_.Recv(channel_.selectedSlot(), RecordType::UserEffectConfig, 3, RequestId::UserEffect,
                  QStringLiteral("LoadUserEffect"));
    channel_.Recv(channel_.selectedSlot(), RecordType::Telemetry, 4, RequestId::Telemetry,
                  QStringLiteral("LoadTelemetry"));
    StoreActiveProfile();
    ProfileLoading.setValue(kWheelBase, kOn);
    ProfileLoading.setValue(kUserEffect, kOn);
    ProfileLoading.setValue(kTelemetry, kOn);
    ProfileLoading.setValue(kLoading, kOn);
}

void Profiles::btnSaveProfileClick() {
    host_.pressApply();  // a failing apply stops the save here
    channel_.Save(channel_.selectedSlot());
    StoreActiveProfile();
}

void Profiles::btnHardwareSaveClick() { channel_.Save(kHardwareSlot); }

void Profiles::StoreActiveProfile() {
    settings_.WriteInteger(kSection, kActiveProfile, host_.selectedProfileIndex());
}

int Profiles::ReadActiveProfile() { return settings_.ReadInteger(kSection, kActiveProfile, 0); }

void Profiles::trackerStep(quint8 requestId) {
    if (ProfileLoading.value(kLoading) != kOn) return;
    if (requestId == RequestId::WheelBase) ProfileLoading.setValue(kWheelBase, kOff);
    if (requestId == RequestId::UserEffect) ProfileLoading.setValue(kUserEffect, kOff);
    if (requestId == RequestId::Telemetry) ProfileLoading.setValue(kTelemetry, kOff);
    if (ProfileLoading.value(kWheelBase) == kOff && ProfileLoading.value(kUserEffect) == kOff &&
        ProfileLoading.value(kTelemetry) == kOff) {
        // A failing apply leaves "Loading" at "1": the next acknowledgement tries again.
        host_.pressApply();
        ProfileLoading.setValue(kLoading, kOff);
    }
}

void Profiles::startupLoad() {
    host_.setSelectedProfileIndex(ReadActiveProfile());
    log_.SetSysLog(QStringLiteral("Applying profile configuration"));
    host_.pressLoad();
}

}  // namespace karvo
