#include "production/odbc_connection_string.h"

#include <cstdlib>

namespace kq::production {

namespace {

// One "key=value" attribute, by its place in the text.
struct Attribute {
    std::string_view key;    // trimmed of spaces
    size_t valueBegin = 0;   // the value as written (braces included)
    size_t valueEnd = 0;
    bool braced = false;
    bool closed = true;      // false: an opening brace without its closing one
    std::string value;       // the value as meant (braces taken off, "}}" as '}')
};

bool isSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool isSecretKey(std::string_view key) { return equalsIgnoringCase(key, "pwd") || equalsIgnoringCase(key, "password"); }

std::vector<Attribute> parse(std::string_view text) {
    std::vector<Attribute> attributes;
    size_t at = 0;
    while (at < text.size()) {
        Attribute attribute;
        const size_t equals = text.find_first_of("=;", at);
        if (equals == std::string_view::npos || text[equals] == ';') {  // a key without a value
            at = equals == std::string_view::npos ? text.size() : equals + 1;
            continue;
        }
        attribute.key = trimmed(text.substr(at, equals - at));
        size_t v = equals + 1;
        while (v < text.size() && isSpace(text[v])) ++v;
        attribute.valueBegin = v;
        if (v < text.size() && text[v] == '{') {
            attribute.braced = true;
            attribute.closed = false;
            size_t i = v + 1;
            for (; i < text.size(); ++i) {
                if (text[i] != '}') {
                    attribute.value += text[i];
                } else if (i + 1 < text.size() && text[i + 1] == '}') {
                    attribute.value += '}';
                    ++i;
                } else {
                    attribute.closed = true;
                    break;
                }
            }
            attribute.valueEnd = attribute.closed ? i + 1 : text.size();
            const size_t semicolon = text.find(';', attribute.valueEnd);
            at = semicolon == std::string_view::npos ? text.size() : semicolon + 1;
        } else {
            const size_t semicolon = text.find(';', v);
            attribute.valueEnd = semicolon == std::string_view::npos ? text.size() : semicolon;
            attribute.value = std::string(trimmed(text.substr(v, attribute.valueEnd - v)));
            at = semicolon == std::string_view::npos ? text.size() : semicolon + 1;
        }
        attributes.push_back(std::move(attribute));
    }
    return attributes;
}

// The NAME of a value written as ${NAME}; nullopt for any other value.
std::optional<std::string> referencedVariable(const Attribute& attribute) {
    if (attribute.braced) return std::nullopt;
    const std::string& v = attribute.value;
    if (v.size() < 4 || v.compare(0, 2, "${") != 0 || v.back() != '}') return std::nullopt;
    const std::string name = v.substr(2, v.size() - 3);
    const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!isLetter(name[0])) return std::nullopt;
    for (char c : name) {
        if (!isLetter(c) && !(c >= '0' && c <= '9')) return std::nullopt;
    }
    return name;
}

std::string braced(std::string_view value) {
    std::string text = "{";
    for (char c : value) {
        text += c;
        if (c == '}') text += '}';
    }
    return text + "}";
}

}  // namespace

std::string maskConnectionString(std::string_view text) {
    std::string masked;
    size_t copied = 0;
    for (const Attribute& attribute : parse(text)) {
        if (!isSecretKey(attribute.key) || referencedVariable(attribute)) continue;
        if (attribute.valueBegin == attribute.valueEnd) continue;  // an empty password hides nothing
        masked.append(text.substr(copied, attribute.valueBegin - copied));
        masked.append(MaskedSecret);
        copied = attribute.valueEnd;
    }
    masked.append(text.substr(copied));
    return masked;
}

std::string maskSecrets(std::string_view text, const std::vector<std::string>& secrets) {
    std::string masked(text);
    for (const std::string& secret : secrets) {
        if (secret.size() < MinMaskedSecretChars) continue;
        for (size_t at = masked.find(secret); at != std::string::npos; at = masked.find(secret, at + MaskedSecret.size()))
            masked.replace(at, secret.size(), MaskedSecret);
    }
    return masked;
}

std::optional<std::string> processEnvironment(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

ExpandedConnection expandConnectionString(std::string_view text, const EnvironmentLookup& lookup) {
    ExpandedConnection result;
    result.shown = maskConnectionString(text);
    size_t copied = 0;
    for (const Attribute& attribute : parse(text)) {
        if (!attribute.closed) {
            result.error = "a brace is left open in the connection string";
            return result;
        }
        std::string value = attribute.value;
        const auto name = referencedVariable(attribute);
        if (name) {
            const auto found = lookup(*name);
            if (!found) {
                result.error = "the environment variable " + *name + " named in the connection string is not set";
                return result;
            }
            value = *found;
            result.text.append(text.substr(copied, attribute.valueBegin - copied));
            result.text.append(braced(value));
            copied = attribute.valueEnd;
        } else if (!attribute.braced && value.compare(0, 3, "$${") == 0) {
            value.erase(0, 1);  // "$${" is a literal "${"
            result.text.append(text.substr(copied, attribute.valueBegin - copied));
            result.text.append(value);
            copied = attribute.valueEnd;
        }
        if (isSecretKey(attribute.key) && !value.empty()) result.secrets.push_back(value);
    }
    result.text.append(text.substr(copied));
    result.ok = true;
    return result;
}

}  // namespace kq::production
