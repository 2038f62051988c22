#pragma once

#include "quotes/file_places.h"

#include <QAction>
#include <QWidget>

#include <cstdint>
#include <string_view>
#include <vector>

namespace tavir {

// What the main window keeps in the settings file: its placement, the fonts of the results
// list and the preview pane, the preview's height and the search options. Read once at
// start-up, written once at the confirmed close.
class WindowSettings
{
public:
    // A checkable menu entry kept as a key of the section "wyszukiwanie". The entries of one
    // group are written together, once any of them has been stored or switched on, so a file
    // that never had them is written exactly as before.
    struct Option
    {
        QAction* action;
        std::string_view key;
        int group;
    };
    struct Controls
    {
        QWidget& window;
        QWidget& list;
        QWidget& preview;
        std::vector<Option> options;
    };

    explicit WindowSettings(FilePlaces& places) : places_(places) {}

    void restore(const Controls& controls);
    // Raises "Unable to write to <path>" when the file cannot be replaced.
    void store(const Controls& controls);

private:
    bool groupStored(int group) const;

    FilePlaces& places_;
    std::int32_t listFontColor_ = 0;
    std::int32_t previewFontColor_ = 0;
    std::vector<int> storedGroups_;
};

} // namespace tavir
