// The installer's event handlers, bound to the window's events by name in the template.
#pragma once

#include <cstdint>

namespace quill {

void OnWindowCreated();
void OnInstallFolderPressed(int32_t x, int32_t y, int32_t keys);
void OnStartClicked();
void OnExtractProgress(int32_t percent);
void OnCloseClicked();
void OnBackgroundPressed(int32_t x, int32_t y, int32_t keys);

}  // namespace quill
