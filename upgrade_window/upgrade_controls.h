// Resource ids of the flashwright window's controls and pictures: the keys
// its logic and every view of it (Qt, a Win32 dialog resource) share.
#pragma once

namespace kq::upgrade_ids {

enum Control : int {
    HexPathEdit = 1000,         // the upgrade file's path (multi-line, word wrap)
    ChooseFileButton = 1002,    // "选择hex文件"
    SaveConfigButton = 1003,    // "保存配置"
    HexTimeLabel = 1004,        // "最近修改时间:…"
    LogBox = 1007,              // the rich-text log
    UpgradeOffsetEdit = 1008,
    UserOffsetEdit = 1009,
    PortBox = 1013,
    SectorLabel = 1014,         // "第N扇区"
    AddressEdit = 1015,         // module address, 12 characters
    ClearLogButton = 1016,      // "日志清空"
    SaveLogButton = 1017,       // "日志保存"
    FrameBox = 1018,            // data length per frame
    FrameLabel = 1019,
    BaudBox = 1021,
    ParityBox = 1022,
    AreaEdit = 1023,            // upgrade area size, KiB
    ChipBox = 1024,
    UpgradeButton = 1025,       // "升级"; the run sets "对接中" and "下载"
    StopButton = 1026,          // "停止"
    BootloadBox = 1027,
    UpgradeOffsetLabel = 1029,
    AreaLabel = 1030,
    KibLabel = 1031,            // "K"
    AddressLabel = 1032,
    StatusPicture = 1039,       // tick, cross or blank
    ProgressBar = 1040,         // sectors (or frames) written of all, beside the sector label
};

// Picture resources of the status picture.
enum Picture : int {
    TickPicture = 132,   // green tick, 64 × 61
    CrossPicture = 134,  // red cross, 64 × 60
    BlankPicture = 135,  // blank square, 20 × 20
};

inline constexpr int ProgramIcon = 128;  // icon resource of the window

}  // namespace kq::upgrade_ids
