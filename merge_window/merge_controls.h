// Resource ids of the hexsplice window's controls: the keys its logic and
// every view of it (Qt, a Win32 dialog resource) share.
#pragma once

namespace kq::merge_ids {

enum Control : int {
    MergeButton = 1,          // "合并", the default button
    BootPathEdit = 1001,
    ChooseBootButton = 1003,  // "选择BOOTLOAD引导程序"
    BootTimeLabel = 1005,
    UserPathEdit = 1007,
    ChooseUserButton = 1009,  // "选择用户程序文件"
    UserTimeLabel = 1011,
    ChipBox = 1014,
};

inline constexpr int ProgramIcon = 128;      // icon resource of the window
inline constexpr int AboutCommand = 0x0010;  // system-menu command of the About box

}  // namespace kq::merge_ids
