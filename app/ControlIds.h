#pragma once

// Control IDs of the main window.
namespace MainId {
inline constexpr int Port = 1000;
inline constexpr int PortSettings = 1001;
inline constexpr int OpenCom = 1002;
inline constexpr int Load = 1003;
inline constexpr int Save = 1004;
inline constexpr int SetAllDefault = 1005;
inline constexpr int DownloadSetting = 1006;
inline constexpr int Tabs = 1007;
inline constexpr int ReceiveText = 1009;
inline constexpr int SendText = 1011;
inline constexpr int ReceiveHex = 1012;
inline constexpr int GetSetting = 1013;
inline constexpr int SendHex = 1014;
inline constexpr int ClearReceive = 1015;
inline constexpr int ClearSend = 1016;
inline constexpr int Send = 1017;
} // namespace MainId
