// The installer's own texts: messages, captions and step-log lines.
#pragma once

inline constexpr wchar_t kCaptionInstall[] = L"输入法安装";
inline constexpr wchar_t kCaptionUninstall[] = L"输入法卸载";
inline constexpr wchar_t kCaptionRepair[] = L"输入法修复";
inline constexpr wchar_t kCaptionStartUp[] = L"初始化错误";
inline constexpr wchar_t kCaptionFileConflict[] = L"文件访问冲突";
inline constexpr wchar_t kCaptionFrameworkSwitch[] = L"输入法框架切换";

inline constexpr wchar_t kMsgBadEnvironment[] = L"错误的安装环境，可能程序已经损坏。";
inline constexpr wchar_t kMsgBadPackage[] = L"错误的安装文件，请联系软件发布者获取正确版本。";
inline constexpr wchar_t kMsgAlreadyInstalled[] =
    L"%s 已经在您的计算机中安装，请在安装之前卸载旧有版本。";
inline constexpr wchar_t kMsgAlreadyRunning[] = L"%s 的安装程序已经在运行，请等它结束后再试。";
inline constexpr wchar_t kMsgTempCopyFailed[] =
    L"安装程序位于临时目录中的副本无法运行，将中止进程。";
inline constexpr wchar_t kMsgTempNotWritable[] =
    L"安装程序无法访问临时目录: \r\ninstall:%s\r\nsource:%s\r\ndest:%s\r\n";
inline constexpr wchar_t kMsgSwitchNotAllowed[] =
    L"没有修改输入法注册信息的权限，输入法框架未切换。请以管理员身份重试。";

inline constexpr wchar_t kMsgReplaceOlder[] =
    L"目标文件已存在，并且版本号 低于 安装程序版本，是否替换已有文件？\r\n目标文件: %s";
inline constexpr wchar_t kMsgReplaceNewer[] =
    L"目标文件已存在，并且版本号 高于 安装程序版本，是否替换已有文件？\r\n目标文件: %s";
inline constexpr wchar_t kMsgProgramRunning[] = L"%s\r\n已经运行，请关闭该程序后，单击“重试”按钮。";
inline constexpr wchar_t kMsgFileOpen[] =
    L"%s\r\n已经被其它程序打开，请关闭该程序后，单击“重试”按钮。\r\n\r\n请检查: \r\n"
    L"1）输入法配置程序是否正在运行？\r\n2）是否有程序仍然运行输入法？\r\n"
    L"3）是否有程序打开了该文件？";

inline constexpr wchar_t kLogModuleFailed[] = L"     错误: 无法创建IME驱动文件";
inline constexpr wchar_t kLogWow64ModuleFailed[] = L"     错误: 无法创建Wow64-IME驱动文件";
inline constexpr wchar_t kLogStubFailed[] = L"     错误: 无法创建installer.exe";
inline constexpr wchar_t kLogFolderFailed[] = L"     错误: 无法复制文件夹 %s";
inline constexpr wchar_t kLogAccessFailed[] = L"     错误: 无法设置访问权限 %s (%s 错误 %u)";
inline constexpr wchar_t kLogComFailed[] = L"COM初始化错误，操作无法继续";

inline constexpr wchar_t kExtractStart[] = L"正在解开文件";
inline constexpr wchar_t kExtractRunning[] = L"正在解开文件...";
inline constexpr wchar_t kExtractSuccess[] = L"Success: %s";
inline constexpr wchar_t kExtractFailure[] = L"Failure: %s";
inline constexpr wchar_t kExtractDone[] = L"Completed.";
