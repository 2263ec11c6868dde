#pragma once
// The fixed pictures of the main window's lists, in the order of its image list;
// the chart's colour squares follow them from kListImageCount on.
enum class ListImage : int {
    GreenShield,   // safe authentication or cipher
    OrangeShield,  // weak
    RedShield,     // none or unknown
    Signal3,       // quality above 75
    Signal2,       // above 50
    Signal1,       // 50 or less
    AccessPoint,
    Adapter,
    Network,
    RedCross,
};
inline constexpr int kListImageCount = static_cast<int>(ListImage::RedCross) + 1;

// The index in the image list, as the list rows carry it.
constexpr int ImageIndex(ListImage image) { return static_cast<int>(image); }
