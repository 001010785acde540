#pragma once

namespace docvane {

// Asks the run to stop at its next check: a warning line "Отмена публикации..." when a run is in
// progress, then the running flag is cleared. Callable from any thread.
void RequestCancel();

}  // namespace docvane
