// The model table of the printer family.
#include "commands/Models.h"

namespace models {

namespace {

constexpr Model Family[] = {
    { 769, "", "Cantra R70BA" },      { 770, "Cantra R70PA", "Cantra R70PA" },
    { 771, "", "Cantra R50BA" },      { 772, "Cantra R50PA", "Cantra R50PA" },
    { 773, "", "Cantra R70BA(ESP)" }, { 774, "Cantra R70PA (ESP)", "Cantra R70PA(ESP)" },
    { 775, "", "Cantra R50BA(ESP)" }, { 776, "Cantra R50PA (ESP)", "Cantra R50PA(ESP)" },
};

} // namespace

const Model &listed(int row)
{
    // Rows 0..3 are the even codes 770..776; anything else falls back to the first row.
    if (row < 0 || row >= ListedCount)
        row = 0;
    return Family[2 * row + 1];
}

const Model *find(uint16_t code)
{
    for (const Model &model : Family)
        if (model.code == code)
            return &model;
    return nullptr;
}

int listedRow(uint16_t code)
{
    if (!find(code))
        return -1;
    return (code - FirstCode) / 2;
}

bool isUsbCapable(uint16_t code)
{
    return (code & 1) != 0;
}

std::string monitorCaption(uint16_t code)
{
    const Model *model = find(code);
    return std::string(MonitorCaptionPrefix) + (model ? model->displayName : "");
}

std::vector<std::string> adjustmentItems(uint16_t code)
{
    if (isUsbCapable(code))
        return { "EEPROM initial setting", "Head ID", "Bi-D", "USB ID", "Top margin" };
    return { "EEPROM initial setting", "Head ID", "Bi-D", "Top margin" };
}

std::vector<std::string> recoveryItems()
{
    return { "EEPROM initial setting", "Protection counter", "EEPROM check", "EEPROM backup data" };
}

} // namespace models
