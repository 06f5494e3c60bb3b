#pragma once

#include "NameValueList.h"

#include <QtGlobal>

namespace karvo {

class CommandChannel;
class ProfileHost;
class SystemLog;
class TamselConfig;

// The five device profiles and the hardware slot: load, save, the remembered profile, the
// start-up load, and the tracker that re-applies the "Base" page once a load has been answered.
class Profiles {
public:
    Profiles(CommandChannel& channel, TamselConfig& settings, SystemLog& log, ProfileHost& host);

    // "WheelBase", "UserEffect", "Telemetry", "Loading": "1" or "0", compared as exact texts.
    NameValueList ProfileLoading;

    void btnLoadProfileClick();
    void btnSaveProfileClick();
    void btnHardwareSaveClick();
    void StoreActiveProfile();
    int ReadActiveProfile();

    // Runs after every acknowledgement.
    void trackerStep(quint8 requestId);

    // The first connection after start: select the stored profile, log, press "Load".
    void startupLoad();

private:
    CommandChannel& channel_;
    TamselConfig& settings_;
    SystemLog& log_;
    ProfileHost& host_;
};

}  // namespace karvo
