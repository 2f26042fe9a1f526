// The model table of the printer family: codes, names, captions and the Adjustment items each
// model offers. The start window lists the parallel-only rows; every window looks codes up here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace models {

struct Model
{
    uint16_t code;
    const char *listText; // row text of the start window's model list ("" when not offered)
    const char *displayName; // caption of the adjustment window's model label
};

// The parallel-only models in the order of the start window's list.
inline constexpr int ListedCount = 4;
const Model &listed(int row);

// The model of a code, or null for a code outside the family.
const Model *find(uint16_t code);
// The codes of the family run from FirstCode to LastCode.
inline constexpr uint16_t FirstCode = 769;
inline constexpr uint16_t LastCode = 776;
// The row of the listed model a code of the family belongs to: its own, or for a USB-capable
// variant that of its parallel-only model; -1 outside the family.
int listedRow(uint16_t code);

// Odd codes are the USB-capable variants.
bool isUsbCapable(uint16_t code);

// "Status Monitor Window : " followed by the display name.
std::string monitorCaption(uint16_t code);
inline constexpr const char *MonitorCaptionPrefix = "Status Monitor Window : ";

// The Adjustment items of a model, in list order.
std::vector<std::string> adjustmentItems(uint16_t code);
// The Adjustment items while the printer reports an error.
std::vector<std::string> recoveryItems();

} // namespace models
