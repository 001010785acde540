#pragma once
// The keyboard shortcuts of the main window's commands, the customary ones of a document program.
#include <string>
#include <vector>

namespace docvane {

inline constexpr int kAccelCtrl = 1;
inline constexpr int kAccelShift = 2;

// A key is an upper-case letter or one of the function keys kAccelF1 + n.
inline constexpr int kAccelF1 = 0x1000;

struct CommandAccelerator {
    int command;
    int modifiers;  // kAccelCtrl, kAccelShift
    int key;
};

const std::vector<CommandAccelerator>& CommandAccelerators();

// The shortcut as a menu shows it ("Ctrl+Shift+S"); empty for a command without one.
std::string AcceleratorText(int command);

}  // namespace docvane
