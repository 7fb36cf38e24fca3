#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// The entries of the four Command Setting lists. A choice is stored and sent as its index in
// these lists, never as its text, so their order is part of the file format.
namespace CommandLists {

inline constexpr std::array<std::string_view, 36> kCharacterTypes{
    "USA/EUROPE(Default)", "France", "Germany(PC858)", "U.K", "Denmark I", "Sweden(PC858)",
    "Italy(PC858)", "Spain(PC858)", "Japan", "Norway(PC858)", "Denmark II", "Slavonic",
    "Russia(PC866)", "Greek", "Czech", "Latin", "Portuguese", "Arabic",
    "Nordic", "Croatia", "Bosnia", "Hungarian", "Romanian", "Bulgaria",
    "Finnish", "Turkish(PC862)", "Hebrew(PC862)", "Germany(WPC1252)", "Sweden(WPC1252)", "Italy(WPC1252)",
    "Spain(WPC1252)", "Norway(WPC1252)", "Russia(WPC1251)", "Turkish(WPC1254)", "Hebrew(WPC1255)",
    "Polish(PC852)"};

inline constexpr std::array<std::string_view, 10> kCommandModes{
    "KX3310", "EPSON(Default)", "UTC/S", "UTC/P", "AEDEX", "ADM788", "DSP800", "CD5220", "EMAX", "LogicControl"};

inline constexpr std::array<std::string_view, 2> kBaudRates{"9600,n,8,1(Default)", "19200,n,8,1"};

inline constexpr std::array<std::string_view, 3> kPassthruModes{
    "None(Default)", "with ESC/POS Command", "without ESC/POS Command"};

inline constexpr std::int32_t kDefaultCharType = 0;
inline constexpr std::int32_t kDefaultCommandMode = 1;
inline constexpr std::int32_t kDefaultBaudRate = 0;
inline constexpr std::int32_t kDefaultPassthru = 0;

// The entry an index names, or nothing for an index outside the list.
inline std::optional<std::string_view> entry(std::span<const std::string_view> list, std::int64_t index)
{
    if (index < 0 || index >= static_cast<std::int64_t>(list.size()))
        return std::nullopt;
    return list[static_cast<std::size_t>(index)];
}

} // namespace CommandLists
