#pragma once

#include <QString>
#include <optional>

#include "FirmwareRecords.h"

namespace karvo {

// The file in which the simulated wheel base keeps its flash between runs: a versioned text
// file, one "name=hex bytes" line per stored record, for example
//     format=1
//     profile6.wheelBase=b400dc05...
//     hardware.motor=0100000100e8030000...
// Every record of every slot must be present exactly once with its exact size; anything else
// makes the whole file unusable, so a half-written or edited file never yields a mix of old
// and new slots.
class FirmwareStateFile {
public:
    static constexpr int kFormatVersion = 1;

    // The image stored at path; nullopt with a text when the file cannot be read or is not a
    // complete, well-formed state file.
    static std::optional<FlashImage> read(const QString& path, QString* error);

    // Replaces the file atomically; false with a text when that fails.
    static bool write(const QString& path, const FlashImage& image, QString* error);
};

}  // namespace karvo
