// ";"-lists of numbers read like atoi, in decimal and hexadecimal, against the C library.

#include "NS_Utilities.h"

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void require(bool ok)
{
    if (!ok)
        std::abort();
}

std::vector<int> reference(const std::string &text, int base)
{
    std::vector<int> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start) {
            const std::string entry = text.substr(start, end - start);
            const long long v = std::strtoll(entry.c_str(), nullptr, base);
            out.push_back(int(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v));
        }
        start = end + 1;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), int(size));
    const std::string bytes = text.toLatin1().toStdString();
    for (int base : {10, 16}) {
        const QList<int> got = NS_Utilities::numberList(text, base);
        const std::vector<int> want = reference(bytes, base);
        require(size_t(got.size()) == want.size());
        for (size_t i = 0; i < want.size(); ++i)
            require(got.at(int(i)) == want[i]);
    }
    return 0;
}
