#pragma once

#include <QString>

namespace karvo {

class TMainForm;

// Shows every page in both themes once the wheel base has streamed for a moment, saves a
// picture of each (base-dark.png, hardware-dark.png, ...) into directory, then quits.
void startScreenshotTour(TMainForm& window, const QString& directory);

}  // namespace karvo
