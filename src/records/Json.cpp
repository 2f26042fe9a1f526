// JSON writing and reading for the files in the data folder. The reader refuses what it does
// not understand rather than guess: a damaged backup must never be written to a printer.
#include "records/Json.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace records::json {

namespace {

constexpr int MaxDepth = 32;

class Reader
{
public:
    explicit Reader(std::string_view text) : m_text(text) { }

    std::optional<Value> document()
    {
        auto value = parseValue(0);
        skipBlanks();
        if (!value || m_at != m_text.size())
            return std::nullopt;
        return value;
    }

private:
    void skipBlanks()
    {
        while (m_at < m_text.size()
               && (m_text[m_at] == ' ' || m_text[m_at] == '\t' || m_text[m_at] == '\n'
                   || m_text[m_at] == '\r'))
            ++m_at;
    }
    bool take(char c)
    {
        skipBlanks();
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }
    bool word(std::string_view w)
    {
        if (m_text.substr(m_at, w.size()) != w)
            return false;
        m_at += w.size();
        return true;
    }

    std::optional<Value> parseValue(int depth)
    {
        if (depth > MaxDepth)
            return std::nullopt;
        skipBlanks();
        if (m_at >= m_text.size())
            return std::nullopt;
        Value value;
        const char c = m_text[m_at];
        if (c == '{')
            return parseObject(depth);
        if (c == '[')
            return parseArray(depth);
        if (c == '"') {
            auto text = parseText();
            if (!text)
                return std::nullopt;
            value.kind = Value::Kind::Text;
            value.text = std::move(*text);
            return value;
        }
        if (word("null"))
            return value;
        for (const bool truth : { true, false }) {
            if (word(truth ? "true" : "false")) {
                value.kind = Value::Kind::Boolean;
                value.boolean = truth;
                return value;
            }
        }
        return parseNumber();
    }

    std::optional<Value> parseNumber()
    {
        const size_t start = m_at;
        while (m_at < m_text.size()
               && std::string_view("+-0123456789.eE").find(m_text[m_at]) != std::string_view::npos)
            ++m_at;
        if (m_at == start)
            return std::nullopt;
        const std::string digits(m_text.substr(start, m_at - start));
        char *end = nullptr;
        Value value;
        value.kind = Value::Kind::Number;
        value.number = std::strtod(digits.c_str(), &end);
        if (end != digits.c_str() + digits.size())
            return std::nullopt;
        return value;
    }

    static void appendUtf8(std::string &out, unsigned code)
    {
        if (code < 0x80) {
            out += char(code);
        } else if (code < 0x800) {
            out += char(0xC0 | (code >> 6));
            out += char(0x80 | (code & 0x3F));
        } else {
            out += char(0xE0 | (code >> 12));
            out += char(0x80 | ((code >> 6) & 0x3F));
            out += char(0x80 | (code & 0x3F));
        }
    }

    std::optional<std::string> parseText()
    {
        if (!take('"'))
            return std::nullopt;
        std::string out;
        while (m_at < m_text.size()) {
            const char c = m_text[m_at++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                return std::nullopt;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_at >= m_text.size())
                return std::nullopt;
            const char escaped = m_text[m_at++];
            switch (escaped) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned code = 0;
                const auto digits = m_text.substr(m_at, 4);
                const auto [end, failed]
                        = std::from_chars(digits.data(), digits.data() + digits.size(), code, 16);
                if (digits.size() != 4 || failed != std::errc() || end != digits.data() + 4)
                    return std::nullopt;
                m_at += 4;
                appendUtf8(out, code);
                break;
            }
            default: return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::optional<Value> parseArray(int depth)
    {
        take('[');
        Value value;
        value.kind = Value::Kind::Array;
        if (take(']'))
            return value;
        do {
            auto item = parseValue(depth + 1);
            if (!item)
                return std::nullopt;
            value.items.push_back(std::move(*item));
        } while (take(','));
        if (!take(']'))
            return std::nullopt;
        return value;
    }

    std::optional<Value> parseObject(int depth)
    {
        take('{');
        Value value;
        value.kind = Value::Kind::Object;
        if (take('}'))
            return value;
        do {
            skipBlanks();
            auto key = parseText();
            if (!key || !take(':'))
                return std::nullopt;
            auto member = parseValue(depth + 1);
            if (!member)
                return std::nullopt;
            value.members.push_back(Member{std::move(*key), std::move(*member)});
        } while (take(','));
        if (!take('}'))
            return std::nullopt;
        return value;
    }

    std::string_view m_text;
    size_t m_at = 0;
};

} // namespace

std::string quote(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04X", unsigned(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

Object &Object::text(std::string_view key, std::string_view value)
{
    return raw(key, quote(value));
}

Object &Object::textOrNull(std::string_view key, std::string_view value)
{
    return value.empty() ? null(key) : text(key, value);
}

Object &Object::number(std::string_view key, int64_t value)
{
    return raw(key, std::to_string(value));
}

Object &Object::boolean(std::string_view key, bool value)
{
    return raw(key, value ? "true" : "false");
}

Object &Object::null(std::string_view key)
{
    return raw(key, "null");
}

Object &Object::raw(std::string_view key, std::string_view value)
{
    m_fields.emplace_back(std::string(key), std::string(value));
    return *this;
}

std::string Object::str(bool indent) const
{
    std::string out = "{";
    for (size_t i = 0; i < m_fields.size(); ++i) {
        out += i ? (indent ? ",\n  " : ", ") : (indent ? "\n  " : "");
        out += quote(m_fields[i].first) + ": " + m_fields[i].second;
    }
    return out + (indent ? "\n}" : "}");
}

const Value *Value::find(std::string_view key) const
{
    for (const auto &[name, member] : members)
        if (name == key)
            return &member;
    return nullptr;
}

std::string Value::textOf(std::string_view key) const
{
    const Value *member = find(key);
    return member && member->kind == Kind::Text ? member->text : std::string();
}

std::optional<Value> parse(std::string_view text)
{
    return Reader(text).document();
}

} // namespace records::json
