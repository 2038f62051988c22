#pragma once

#include <string>
#include <string_view>

namespace tavir {

inline constexpr std::string_view kProductTitle = "VELTA Software TaViR";
inline constexpr std::string_view kVersionText = "5.1 (18082005)";
// The maker's site; the footers of exported pages, the About window and the menus cite it.
inline constexpr std::string_view kHomePage = "http://www.velta.example";

// "VELTA Software TaViR 5.1 (18082005)": the window caption and the application title.
std::string titleWithVersion();

// Data paths, relative to the application folder. The template path alone starts with a
// separator; joined after the folder's own trailing one it names the same file.
inline constexpr std::string_view kQuoteFile = "dane/cytaty/cytaty.dbc";
inline constexpr std::string_view kSettingsFile = "dane/konfiguracja.ini";
inline constexpr std::string_view kTemplateFile = "/dane/szablony_html/szablon.html";
inline constexpr std::string_view kHelpPage = "dane/pomoc/pomoc.htm";
inline constexpr std::string_view kPrintFile = "TaViR.txt";

} // namespace tavir
