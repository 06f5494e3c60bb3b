#pragma once

#include <QtGlobal>
#include <array>

namespace karvo {

// The vendor ID that marks a HID device as the wheel base.
inline constexpr quint16 kWheelBaseVendorId = 0x9999;

// The wheel base's HID report descriptor: one vendor-defined application collection with
//   input report 1:   the joystick report, 28 data bytes (a 4-byte vendor block, then the six
//                     signed 32-bit axes X, Y, Z, Rx, Ry, Rz of the Generic Desktop page);
//   input report 65:  63 vendor bytes (answers and streamed statistics);
//   output report 20: 63 vendor bytes (command packets).
// Both report kinds are 64 bytes long with the report-ID byte.
// std::to_array sizes the array from the bytes, so no byte can be left out silently.
inline constexpr std::array kWheelBaseReportDescriptor = std::to_array<quint8>({
    0x06, 0x00, 0xFF,  // Usage Page (Vendor 0xFF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)

    0x85, 0x01,                    //   Report ID (1)
    0x09, 0x02,                    //   Usage (2)
    0x15, 0x00,                    //   Logical Minimum (0)
    0x26, 0xFF, 0x00,              //   Logical Maximum (255)
    0x75, 0x08,                    //   Report Size (8)
    0x95, 0x04,                    //   Report Count (4)
    0x81, 0x02,                    //   Input (Data, Variable, Absolute)
    0x05, 0x01,                    //   Usage Page (Generic Desktop)
    0x09, 0x30,                    //   Usage (X)
    0x09, 0x31,                    //   Usage (Y)
    0x09, 0x32,                    //   Usage (Z)
    0x09, 0x33,                    //   Usage (Rx)
    0x09, 0x34,                    //   Usage (Ry)
    0x09, 0x35,                    //   Usage (Rz)
    0x17, 0x00, 0x00, 0x00, 0x80,  //   Logical Minimum (-2147483648)
    0x27, 0xFF, 0xFF, 0xFF, 0x7F,  //   Logical Maximum (2147483647)
    0x75, 0x20,                    //   Report Size (32)
    0x95, 0x06,                    //   Report Count (6)
    0x81, 0x02,                    //   Input (Data, Variable, Absolute)

    0x06, 0x00, 0xFF,  //   Usage Page (Vendor 0xFF00)
    0x85, 0x41,        //   Report ID (65)
    0x09, 0x03,        //   Usage (3)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x3F,        //   Report Count (63)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)

    0x85, 0x14,  //   Report ID (20)
    0x09, 0x04,  //   Usage (4)
    0x95, 0x3F,  //   Report Count (63)
    0x91, 0x02,  //   Output (Data, Variable, Absolute)

    0xC0,  // End Collection
});
static_assert(kWheelBaseReportDescriptor.size() == 79);

}  // namespace karvo
