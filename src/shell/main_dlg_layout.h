#pragma once
// Where the main window's controls stand, at 96 DPI.
#include "common/win32/window.h"

namespace main_layout {

constexpr int kClientWidth = 1031, kClientHeight = 434;   // design client area, the status bar included
constexpr int kMinWidth = 1047, kMinHeight = 492;          // minimum window size
constexpr DesignRect kTopPanel{-12, 0, 1047, 57};
constexpr DesignRect kIcon{24 - 12, 8, 32, 32};            // panel children, in window coordinates
constexpr DesignRect kProductLabel{63 - 12, 10, 200, 16};
constexpr DesignRect kSubtitle{64 - 12, 26, 600, 28};
constexpr DesignRect kMoreAdapter{8, 60, 75, 65};
constexpr DesignRect kMoreNetwork{88, 60, 75, 65};
constexpr DesignRect kMoreAp{169, 60, 75, 65};
constexpr DesignRect kDrivers{401, 60, 115, 65};
constexpr DesignRect kScope{520, 64, 505, 145};
constexpr DesignRect kAdapters{8, 129, 505, 80};
constexpr DesignRect kNetworks{8, 217, 505, 192};
constexpr DesignRect kAccessPoints{520, 217, 505, 192};
// Where the answers come from ("Live", "Replay ..."), on the band beside the product's name.
constexpr DesignRect kSource{300, 10, 390, 16};
// On the top band's right, above the network and access-point lists.
constexpr DesignRect kFilter{700, 17, 180, 22};
constexpr DesignRect kFilterStatus{888, 12, 140, 34};
// The location notice spans both lists' tops; while it shows they start below it.
constexpr DesignRect kLocationNotice{8, 217, 1017, 26};
constexpr int kNoticeShift = 30;
// The link's status bar along the bottom; the lists anchored to the bottom end above it.
constexpr DesignRect kStatusBar{0, 412, 1031, 22};

}  // namespace main_layout
