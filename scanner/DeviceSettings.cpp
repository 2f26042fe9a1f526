// Settings of a SANE device by option name. Options are looked up afresh each time, since
// setting one may change the others (a mode with resolutions of its own).
#include "scanner/DeviceSettings.h"

#include <sane/saneopts.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace scanner {

namespace {

std::string lower(std::string text)
{
    for (char &c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool scalarNumber(const SANE_Option_Descriptor &d)
{
    return (d.type == SANE_TYPE_INT || d.type == SANE_TYPE_FIXED)
            && d.size == SANE_Int(sizeof(SANE_Word));
}

bool parseBool(const std::string &text, SANE_Word &value)
{
    const std::string t = lower(text);
    if (t == "yes" || t == "true" || t == "on" || t == "1")
        value = SANE_TRUE;
    else if (t == "no" || t == "false" || t == "off" || t == "0")
        value = SANE_FALSE;
    else
        return false;
    return true;
}

bool parseWord(const std::string &text, SANE_Value_Type type, SANE_Word &value)
{
    if (text.empty())
        return false;
    char *end = nullptr;
    if (type == SANE_TYPE_INT) {
        const long number = std::strtol(text.c_str(), &end, 10);
        if (*end != 0 || number < -2147483647L || number > 2147483647L)
            return false;
        value = SANE_Word(number);
        return true;
    }
    const double number = std::strtod(text.c_str(), &end);
    if (*end != 0 || !(std::fabs(number) < 32767.0))
        return false;
    value = SANE_FIX(number);
    return true;
}

} // namespace

int DeviceSettings::find(const std::string &name, const SANE_Option_Descriptor **descriptor) const
{
    for (SANE_Int option = 1;; ++option) {
        const SANE_Option_Descriptor *d = sane_get_option_descriptor(m_handle, option);
        if (d == nullptr)
            return -1;
        if (d->name != nullptr && name == d->name && d->type != SANE_TYPE_GROUP
            && SANE_OPTION_IS_ACTIVE(d->cap)) {
            *descriptor = d;
            return option;
        }
    }
}

bool DeviceSettings::setWord(int option, SANE_Word value)
{
    return sane_control_option(m_handle, option, SANE_ACTION_SET_VALUE, &value, nullptr)
            == SANE_STATUS_GOOD;
}

SANE_Word DeviceSettings::nearest(const SANE_Option_Descriptor &d, SANE_Word wanted) const
{
    if (d.constraint_type == SANE_CONSTRAINT_RANGE && d.constraint.range != nullptr) {
        const SANE_Range &r = *d.constraint.range;
        const SANE_Word top = std::max(r.min, r.max);
        int64_t value = std::clamp(wanted, r.min, top);
        if (r.quant > 0)
            value = r.min + std::llround((double(value) - double(r.min)) / r.quant) * r.quant;
        return SANE_Word(std::min<int64_t>(value, top));
    }
    if (d.constraint_type == SANE_CONSTRAINT_WORD_LIST && d.constraint.word_list != nullptr
        && d.constraint.word_list[0] > 0) {
        const SANE_Word *list = d.constraint.word_list;
        SANE_Word best = list[1];
        for (SANE_Word i = 2; i <= list[0]; ++i) {
            const int64_t gap = std::llabs(int64_t(list[i]) - wanted);
            const int64_t bestGap = std::llabs(int64_t(best) - wanted);
            if (gap < bestGap || (gap == bestGap && list[i] > best))
                best = list[i];
        }
        return best;
    }
    return wanted;
}

void DeviceSettings::setNumber(const std::string &name, double wanted, bool highest, bool lowest)
{
    const SANE_Option_Descriptor *d = nullptr;
    const int option = find(name, &d);
    if (option < 0 || !scalarNumber(*d) || !SANE_OPTION_IS_SETTABLE(d->cap))
        return;
    const double extreme = highest ? 1e9 : -1e9;
    const double target = highest || lowest ? extreme : wanted;
    const SANE_Word word = d->type == SANE_TYPE_FIXED
            ? SANE_Word(std::clamp(target, -32767.0, 32767.0) * (1 << SANE_FIXED_SCALE_SHIFT))
            : SANE_Word(std::clamp(target, -2147483647.0, 2147483647.0));
    setWord(option, nearest(*d, word));
}

bool DeviceSettings::readNumber(const std::string &name, double &value) const
{
    const SANE_Option_Descriptor *d = nullptr;
    const int option = find(name, &d);
    if (option < 0 || !scalarNumber(*d))
        return false;
    SANE_Word word = 0;
    if (sane_control_option(m_handle, option, SANE_ACTION_GET_VALUE, &word, nullptr)
        != SANE_STATUS_GOOD)
        return false;
    value = d->type == SANE_TYPE_FIXED ? SANE_UNFIX(word) : double(word);
    return true;
}

void DeviceSettings::prepare(int dpi)
{
    // Grey spares the conversion and three times the data; colour is read as well.
    const SANE_Option_Descriptor *d = nullptr;
    const int mode = find(SANE_NAME_SCAN_MODE, &d);
    if (mode >= 0 && d->type == SANE_TYPE_STRING && SANE_OPTION_IS_SETTABLE(d->cap)
        && d->constraint_type == SANE_CONSTRAINT_STRING_LIST && d->size > 0) {
        const char *grey = nullptr;
        for (const SANE_String_Const *entry = d->constraint.string_list; *entry; ++entry) {
            const std::string name = lower(*entry);
            if (name == "gray" || name == "grey") {
                grey = *entry;
                break;
            }
            if (grey == nullptr && (name.rfind("gray", 0) == 0 || name.rfind("grey", 0) == 0))
                grey = *entry;
        }
        if (grey != nullptr && std::strlen(grey) < size_t(d->size)) {
            std::vector<char> value(size_t(d->size), 0);
            std::memcpy(value.data(), grey, std::strlen(grey));
            sane_control_option(m_handle, mode, SANE_ACTION_SET_VALUE, value.data(), nullptr);
        }
    }
    // 8 bits where the device offers them; 16-bit samples are read too, at twice the data.
    const int depth = find(SANE_NAME_BIT_DEPTH, &d);
    if (depth >= 0 && scalarNumber(*d) && d->type == SANE_TYPE_INT
        && SANE_OPTION_IS_SETTABLE(d->cap) && nearest(*d, 8) == 8)
        setWord(depth, 8);

    const SANE_Option_Descriptor *unused = nullptr;
    if (find(SANE_NAME_SCAN_RESOLUTION, &unused) >= 0) {
        setNumber(SANE_NAME_SCAN_RESOLUTION, dpi);
    } else {
        setNumber(SANE_NAME_SCAN_X_RESOLUTION, dpi);
        setNumber(SANE_NAME_SCAN_Y_RESOLUTION, dpi);
    }
    // The whole bed: the sheet may lie anywhere on it.
    setNumber(SANE_NAME_SCAN_TL_X, 0, false, true);
    setNumber(SANE_NAME_SCAN_TL_Y, 0, false, true);
    setNumber(SANE_NAME_SCAN_BR_X, 0, true);
    setNumber(SANE_NAME_SCAN_BR_Y, 0, true);
}

Problem DeviceSettings::refused(const std::string &what) const
{
    return { Failure::Refused, "The scanner \"" + m_device + "\" " + what + "." };
}

Problem DeviceSettings::apply(const std::vector<std::pair<std::string, std::string>> &options)
{
    for (const auto &[name, text] : options) {
        const SANE_Option_Descriptor *d = nullptr;
        const int option = find(name, &d);
        const std::string quoted = "\"" + name + "\"";
        if (option < 0)
            return refused("has no setting " + quoted + " at present");
        if (!SANE_OPTION_IS_SETTABLE(d->cap))
            return refused("does not let its setting " + quoted + " be changed");
        const Problem notTaken = refused("does not take \"" + text + "\" for " + quoted);
        SANE_Status status = SANE_STATUS_INVAL;
        switch (d->type) {
        case SANE_TYPE_BOOL:
        case SANE_TYPE_INT:
        case SANE_TYPE_FIXED: {
            if (d->size != SANE_Int(sizeof(SANE_Word)))
                return refused("takes a list of values for " + quoted);
            SANE_Word value = 0;
            const bool parsed = d->type == SANE_TYPE_BOOL ? parseBool(text, value)
                                                          : parseWord(text, d->type, value);
            if (!parsed)
                return notTaken;
            status = sane_control_option(m_handle, option, SANE_ACTION_SET_VALUE, &value, nullptr);
            break;
        }
        case SANE_TYPE_STRING: {
            if (d->size <= 0 || text.size() >= size_t(d->size))
                return notTaken;
            std::vector<char> value(size_t(d->size), 0);
            std::memcpy(value.data(), text.data(), text.size());
            status = sane_control_option(m_handle, option, SANE_ACTION_SET_VALUE, value.data(),
                                         nullptr);
            break;
        }
        case SANE_TYPE_BUTTON:
            status = sane_control_option(m_handle, option, SANE_ACTION_SET_VALUE, nullptr, nullptr);
            break;
        default: return refused("has no setting " + quoted + " at present");
        }
        if (status != SANE_STATUS_GOOD)
            return notTaken;
    }
    return {};
}

Problem DeviceSettings::resolution(int &dpi)
{
    double value = 0;
    dpi = 0;
    if (readNumber(SANE_NAME_SCAN_RESOLUTION, value)) {
        dpi = int(std::lround(value));
        return {};
    }
    double x = 0, y = 0;
    const bool hasX = readNumber(SANE_NAME_SCAN_X_RESOLUTION, x);
    const bool hasY = readNumber(SANE_NAME_SCAN_Y_RESOLUTION, y);
    if (hasX && hasY && std::lround(x) != std::lround(y))
        return { Failure::Unsupported,
                 "The scanner \"" + m_device + "\" would scan at " + std::to_string(std::lround(x))
                         + " by " + std::to_string(std::lround(y))
                         + " dpi; the sheet needs the same resolution both ways." };
    if (hasX || hasY)
        dpi = int(std::lround(hasX ? x : y));
    return {};
}

} // namespace scanner
