#include "gui/window_settings.h"

#include "settings/frmutils.h"
#include "settings/profile.h"

#include <algorithm>

namespace tavir {

namespace {

// The settings sections of the list's and the preview's fonts.
constexpr std::string_view kListFontSection = "Wyniki_font";
constexpr std::string_view kPreviewFontSection = "LOOpa_font";
constexpr std::string_view kSearchSection = "wyszukiwanie";

// Qt fonts carry no colour, so the stored colour value is kept beside the control's font.
std::int32_t restoreFont(const std::string& file, QWidget& control, std::string_view section)
{
    const FontRecord font = ReadFontSection(file, section);
    applyFont(control, font);
    return font.color;
}

} // namespace

void WindowSettings::restore(const Controls& controls)
{
    const std::string& file = places_.settingsToRead();
    ReadFormPlacement(controls.window, file);
    listFontColor_ = restoreFont(file, controls.list, kListFontSection);
    previewFontColor_ = restoreFont(file, controls.preview, kPreviewFontSection);
    storedGroups_.clear();
    for (const Option& option : controls.options) {
        const std::string value = profile::readString(file, kSearchSection, option.key, "");
        if (!value.empty() && !groupStored(option.group))
            storedGroups_.push_back(option.group);
        option.action->setChecked(profile::parseInteger(value).value_or(0) != 0);
    }
}

void WindowSettings::store(const Controls& controls)
{
    places_.prepareSettingsFile();
    // The shipped starting values are read under the write's own lock, so that two instances
    // closing together cannot copy them over each other's keys.
    profile::Batch settings(places_.settingsFile(), places_.startingSettings());
    WriteFormPlacement(controls.window, settings);
    WriteConfigInteger("Wyniki-height", controls.preview.height(), settings);
    WriteFontSection(fontRecord(controls.list.font(), listFontColor_), settings, kListFontSection);
    WriteFontSection(fontRecord(controls.preview.font(), previewFontColor_), settings,
                     kPreviewFontSection);
    for (const Option& option : controls.options) {
        const bool groupOn =
            std::any_of(controls.options.begin(), controls.options.end(), [&](const Option& other) {
                return other.group == option.group && other.action->isChecked();
            });
        if (groupOn || groupStored(option.group))
            settings.writeInteger(kSearchSection, option.key, option.action->isChecked() ? 1 : 0);
    }
    settings.commit();
    places_.settingsWritten();
}

bool WindowSettings::groupStored(int group) const
{
    return std::find(storedGroups_.begin(), storedGroups_.end(), group) != storedGroups_.end();
}

} // namespace tavir
