#pragma once
// What protocol-print says of itself, in mailvornex-cli's list of commands
// and in the program that does the printing.
namespace mv::cli {
inline constexpr const char *kProtocolPrintUsage = "protocol-print --base DIR OUT.odt [--name MASK] [--from "
                                                   "DD.MM.YYYY --to DD.MM.YYYY] [--order date|sender]";
inline constexpr const char *kProtocolPrintSummary =
    "Write the printed protocol (the protocol window's document) as an OpenDocument text file";
} // namespace mv::cli
