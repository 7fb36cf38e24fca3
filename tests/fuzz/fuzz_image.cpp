// Any byte string as the contents of a loaded settings file: the checks must name the first bad
// field, an accepted image must come back byte for byte when the configuration is built again, and
// a rejected one must leave the configuration as it was.
#include "FuzzCheck.h"

#include "settings/SettingsImage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

namespace {

// Bytes 0..122 are built from the working values; the reserved tail only travels along.
constexpr std::size_t kBuiltLength = ImageOffset::Tail;

struct Configuration
{
    SettingsImage image{};
    WorkingValues values{};

    friend bool operator==(const Configuration&, const Configuration&) = default;
};

struct FieldRule
{
    ImageFault fault;
    std::size_t offset;
    int low;
    int high;
    bool isSigned;
};

// The fields in the order they are checked. The pass-through list has three items: a larger index
// would select nothing and come back as 0xFF, so it is refused.
constexpr FieldRule kFieldRules[] = {
    {ImageFault::Header, 0, 0xAA, 0xAA, false}, {ImageFault::Reserved1, 1, 0, 0, false},
    {ImageFault::BaudRate, 2, 0, 1, false},     {ImageFault::Reserved3, 3, 0, 0, false},
    {ImageFault::CharType, 4, 0, 35, true},     {ImageFault::Reserved5, 5, 0, 0, false},
    {ImageFault::CommandMode, 6, 0, 9, true},   {ImageFault::Reserved67, 67, 0, 0, false},
    {ImageFault::Passthru, 68, 0, 2, true},
};

int fieldValue(const SettingsImage& image, const FieldRule& rule)
{
    const std::uint8_t byte = image[rule.offset];
    return rule.isSigned ? static_cast<std::int8_t>(byte) : byte;
}

bool codeAccepted(std::uint8_t code)
{
    const auto value = static_cast<std::int8_t>(code);
    return value == 0 || (value >= 0x20 && value <= 0x7F);
}

std::optional<ImageFault> expectedFault(const SettingsImage& image)
{
    for (const FieldRule& rule : kFieldRules) {
        const int value = fieldValue(image, rule);
        if (value < rule.low || value > rule.high)
            return rule.fault;
    }
    for (int n = 0; n < kUserCharCount; ++n) {
        if (!codeAccepted(image[ImageOffset::UserChars + 6 * static_cast<std::size_t>(n)]))
            return ImageFault::UserCharCode;
    }
    return std::nullopt;
}

bool valuesInRange(const WorkingValues& values)
{
    const auto in = [](std::int32_t value, int low, int high) { return value >= low && value <= high; };
    return in(values.baudRate, 0, 1) && in(values.charType, 0, 35) && in(values.commandMode, 0, 9) &&
           in(values.passthru, 0, 2) &&
           std::all_of(values.userChars.begin(), values.userChars.end(),
                       [](const UserCharRecord& record) { return codeAccepted(record.code); });
}

bool sameBuiltBytes(const SettingsImage& a, const SettingsImage& b)
{
    return std::equal(a.begin(), a.begin() + kBuiltLength, b.begin());
}

// What "Load" does with a file: one longer than an image is refused unread, a shorter one replaces
// only its own bytes, and the result is taken whole or not at all.
bool load(Configuration& config, const std::uint8_t* data, std::size_t size)
{
    if (size > kImageSize)
        return false;
    SettingsImage candidate = config.image;
    std::copy_n(data, size, candidate.begin());

    const std::optional<ImageFault> fault = findImageFault(candidate);
    FUZZ_CHECK(fault == expectedFault(candidate));
    if (fault) {
        FUZZ_CHECK(std::strncmp(faultMessage(*fault), "Data", 4) == 0);
        return false;
    }
    config.image = candidate;
    config.values = decodeImage(candidate);
    return true;
}

// The check after every load: the image held is the one the working values build.
void checkAccepted(const Configuration& config)
{
    FUZZ_CHECK(valuesInRange(config.values));

    SettingsImage rebuilt = config.image;
    encodeImage(config.values, rebuilt);
    FUZZ_CHECK(rebuilt == config.image);
    FUZZ_CHECK(!findImageFault(rebuilt));

    SettingsImage again{};
    encodeImage(decodeImage(rebuilt), again);
    FUZZ_CHECK(sameBuiltBytes(again, rebuilt));
    FUZZ_CHECK(std::all_of(again.begin() + kBuiltLength, again.end(), [](std::uint8_t b) { return b == 0; }));

    const auto chars = UserChars::toBytes(config.values.userChars);
    FUZZ_CHECK(std::equal(chars.begin(), chars.end(), config.image.begin() + ImageOffset::UserChars));
}

void loadOnto(Configuration config, const std::uint8_t* data, std::size_t size)
{
    const Configuration before = config;
    if (load(config, data, size))
        checkAccepted(config);
    else
        FUZZ_CHECK(config == before);
}

// Working values of any kind, a list without a selection included, are built and checked: the
// image is refused exactly when a value lies outside its list, and otherwise decodes to them.
void buildFromAnyValues(const std::uint8_t* data, std::size_t size)
{
    SettingsImage raw{};
    std::copy_n(data, std::min(size, kImageSize), raw.begin());
    const WorkingValues values = decodeImage(raw);

    SettingsImage built{};
    encodeImage(values, built);
    const bool accepted = !findImageFault(built);
    FUZZ_CHECK(accepted == valuesInRange(values));
    if (accepted)
        FUZZ_CHECK(decodeImage(built) == values);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // As at program start, with the buffer still all zero, and after "Set All Default".
    Configuration atStart;
    atStart.values = factoryDefaults();
    loadOnto(atStart, data, size);
    loadOnto(Configuration{factoryDefaultImage(), factoryDefaults()}, data, size);

    buildFromAnyValues(data, size);
    return 0;
}
