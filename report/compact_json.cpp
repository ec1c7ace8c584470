#include "report/compact_json.h"

namespace report {
namespace {

void AppendEscape(std::string& out, unsigned unit) {
    static const char kHex[] = "0123456789abcdef";
    const char escape[6] = {'\\', 'u', kHex[(unit >> 12) & 0xF], kHex[(unit >> 8) & 0xF],
                            kHex[(unit >> 4) & 0xF], kHex[unit & 0xF]};
    out.append(escape, sizeof(escape));
}

// Decodes the UTF-8 sequence at *p, leaving *p on its last byte. A sequence
// cut short by the end stays on its lead byte; overlong forms and surrogates
// decode to U+FFFD. Continuation bytes are not checked, as JsonCpp's writer
// does not check them: the output must stay byte for byte its output.
unsigned DecodeUtf8(const unsigned char*& p, const unsigned char* end) {
    const unsigned kReplacement = 0xFFFD;
    const unsigned lead = *p;
    if (lead < 0x80) return lead;
    if (lead < 0xE0) {
        if (end - p < 2) return kReplacement;
        const unsigned code = ((lead & 0x1F) << 6) | (p[1] & 0x3F);
        p += 1;
        return code < 0x80 ? kReplacement : code;
    }
    if (lead < 0xF0) {
        if (end - p < 3) return kReplacement;
        const unsigned code = ((lead & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
        p += 2;
        if (code >= 0xD800 && code <= 0xDFFF) return kReplacement;
        return code < 0x800 ? kReplacement : code;
    }
    if (lead < 0xF8) {
        if (end - p < 4) return kReplacement;
        const unsigned code = ((lead & 0x07) << 18) | ((p[1] & 0x3F) << 12) |
                              ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
        p += 3;
        return code < 0x10000 ? kReplacement : code;
    }
    return kReplacement;
}

void AppendQuoted(std::string& out, const char* text, size_t length) {
    out += '"';
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* end = p + length;
    for (; p != end; ++p) {
        switch (*p) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: {
                unsigned code = DecodeUtf8(p, end);
                if (code >= 0x20 && code < 0x80) {
                    out += static_cast<char>(code);
                } else if (code < 0x10000) {
                    AppendEscape(out, code);
                } else {
                    code -= 0x10000;
                    AppendEscape(out, 0xD800 + ((code >> 10) & 0x3FF));
                    AppendEscape(out, 0xDC00 + (code & 0x3FF));
                }
            }
        }
    }
    out += '"';
}

void AppendValue(std::string& out, const Json::Value& value) {
    switch (value.type()) {
        case Json::nullValue: out += "null"; break;
        // asString gives numbers the writer's own text (%.17g for doubles, kept
        // recognisably a double; null and +/-1e+9999 when not finite).
        case Json::intValue:
        case Json::uintValue:
        case Json::realValue: out += value.asString(); break;
        case Json::booleanValue: out += value.asBool() ? "true" : "false"; break;
        case Json::stringValue: {
            const char* begin = nullptr;
            const char* end = nullptr;
            if (value.getString(&begin, &end)) AppendQuoted(out, begin, static_cast<size_t>(end - begin));
            break;
        }
        case Json::arrayValue: {
            out += '[';
            const Json::ArrayIndex size = value.size();
            for (Json::ArrayIndex i = 0; i < size; ++i) {
                if (i > 0) out += ',';
                AppendValue(out, value[i]);
            }
            out += ']';
            break;
        }
        case Json::objectValue: {
            out += '{';
            bool first = true;
            for (auto it = value.begin(); it != value.end(); ++it) {
                if (!first) out += ',';
                first = false;
                const char* name_end = nullptr;
                const char* name = it.memberName(&name_end);
                AppendQuoted(out, name, static_cast<size_t>(name_end - name));
                out += ':';
                AppendValue(out, *it);
            }
            out += '}';
            break;
        }
    }
}

}  // namespace

std::string WriteCompactJson(const Json::Value& value) {
    std::string out;
    AppendValue(out, value);
    out += '\n';
    return out;
}

}  // namespace report
