// The little JSON the backup files and the service record need: an object written field by
// field, and a reader for what was written (or edited by hand) back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace records::json {

// `text` as a JSON string, quotes included. Bytes from 0x80 up pass as they are (UTF-8 paths).
std::string quote(std::string_view text);

// One object, its fields in the order they are added.
class Object
{
public:
    Object &text(std::string_view key, std::string_view value);
    // A text, or null when it is empty.
    Object &textOrNull(std::string_view key, std::string_view value);
    Object &number(std::string_view key, int64_t value);
    Object &boolean(std::string_view key, bool value);
    Object &null(std::string_view key);
    // `value` is JSON already (an array or an object).
    Object &raw(std::string_view key, std::string_view value);
    // The object; `indent` puts every field on a line of its own.
    std::string str(bool indent = false) const;

private:
    std::vector<std::pair<std::string, std::string>> m_fields;
};

struct Member;

struct Value
{
    enum class Kind { Null, Boolean, Number, Text, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Value> items;
    std::vector<Member> members; // in the order written

    // The member of an object by its key, or null when there is none.
    const Value *find(std::string_view key) const;
    // The member's text, or "" when it is missing or no text.
    std::string textOf(std::string_view key) const;
};

// A member of an object. Not a std::pair: a pair of an incomplete Value is ill-formed.
struct Member
{
    std::string key;
    Value value;
};

// The value of the whole text, or nothing when it is not JSON (or has anything after it).
std::optional<Value> parse(std::string_view text);

} // namespace records::json
