#pragma once
// The detail windows' lists: grid lines, whole-row selection, read-only cells, no images.
#include "common/win32/controls.h"
#include "common/win32/list_view.h"
#include "wireless/detail_commands.h"

void CreateInfoList(Window& owner, ListView& list, DesignRect rect);
void FillInfoList(ListView& list, const DetailRows& rows);
