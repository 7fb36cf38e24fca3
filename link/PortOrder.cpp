#include "link/PortOrder.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>
#include <tuple>

namespace {

constexpr std::array<std::string_view, 3> kFamilies{"ttyS", "ttyUSB", "ttyACM"};

std::string_view baseName(std::string_view path)
{
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Family rank, number within the family, then the name itself as the last word.
std::tuple<std::size_t, long, std::string_view> rank(std::string_view path)
{
    const std::string_view name = baseName(path);
    for (std::size_t family = 0; family < kFamilies.size(); ++family) {
        const std::string_view prefix = kFamilies[family];
        if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix)
            continue;
        const std::string_view digits = name.substr(prefix.size());
        long number = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (error == std::errc() && end == digits.data() + digits.size())
            return {family, number, name};
    }
    return {kFamilies.size(), 0, name};
}

} // namespace

std::vector<std::string> OrderSerialPorts(std::vector<std::string> names)
{
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return rank(a) < rank(b); });
    return names;
}
