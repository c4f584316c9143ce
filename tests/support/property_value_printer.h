// Readable failure messages for property-list values in Google Test assertions.
#pragma once

#include "platform/user_defaults.h"

#include <ostream>

namespace platform {

// Writes the value in a compact, property-list-like notation.
inline void PrintTo(const PropertyValue& value, std::ostream* out)
{
    struct Printer {
        std::ostream* out;
        void operator()(const std::string& text) const { *out << '"' << text << '"'; }
        void operator()(std::int64_t number) const { *out << number; }
        void operator()(bool flag) const { *out << (flag ? "true" : "false"); }
        void operator()(double number) const { *out << number << 'r'; }
        void operator()(const PropertyData& data) const { *out << "<data " << data.bytes.size() << " bytes>"; }
        void operator()(const PropertyDate& date) const { *out << "<date " << date.seconds << "s>"; }
        void operator()(const PropertyArray& array) const
        {
            *out << '(';
            for (std::size_t i = 0; i < array.size(); ++i) {
                *out << (i ? ", " : "");
                PrintTo(array[i], out);
            }
            *out << ')';
        }
        void operator()(const PropertyDictionary& dictionary) const
        {
            *out << '{';
            bool first = true;
            for (const auto& [key, item] : dictionary) {
                *out << (first ? "" : ", ") << '"' << key << "\" = ";
                PrintTo(item, out);
                first = false;
            }
            *out << '}';
        }
    };
    std::visit(Printer{out}, value.value);
}

}  // namespace platform
