#include "desktop/CommandAccelerators.h"

#include "desktop/CommandIds.h"

namespace docvane {

const std::vector<CommandAccelerator>& CommandAccelerators() {
    static const std::vector<CommandAccelerator> accelerators = {
        {ID_FILE_NEW, kAccelCtrl, 'N'},    {ID_FILE_OPEN, kAccelCtrl, 'O'},
        {ID_FILE_SAVE, kAccelCtrl, 'S'},   {ID_FILE_SAVE_AS, kAccelCtrl | kAccelShift, 'S'},
        {ID_FILE_CLOSE, kAccelCtrl, 'W'},  {ID_APP_EXIT, kAccelCtrl, 'Q'},
        {ID_PUBLIC_FAST, kAccelCtrl, 'P'}, {ID_PUBLIC_LONG, kAccelCtrl | kAccelShift, 'P'},
        {ID_REFRESH, 0, kAccelF1 + 4},
    };
    return accelerators;
}

std::string AcceleratorText(int command) {
    for (const CommandAccelerator& accelerator : CommandAccelerators()) {
        if (accelerator.command != command) {
            continue;
        }
        std::string text;
        if ((accelerator.modifiers & kAccelCtrl) != 0) {
            text += "Ctrl+";
        }
        if ((accelerator.modifiers & kAccelShift) != 0) {
            text += "Shift+";
        }
        if (accelerator.key >= kAccelF1) {
            text.append(1, 'F').append(std::to_string(accelerator.key - kAccelF1 + 1));
        } else {
            text.append(1, static_cast<char>(accelerator.key));
        }
        return text;
    }
    return {};
}

}  // namespace docvane
