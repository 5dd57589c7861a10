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
inline constexpr wchar_t kLogFileNamedElsewhere[] =
    L"     错误: 文件 %s 放置后被另外命名(硬链接)，放置 %d 次均未成功";
inline constexpr wchar_t kLogFolderUntrusted[] = L"     错误: 目录不可信任，操作已停止: %s";
inline constexpr wchar_t kMsgFolderUntrusted[] =
    L"目录:\r\n%s\r\n是链接(重解析点)，或者不属于管理员或系统账户，可能已被他人改动。"
    L"为安全起见，操作已停止，没有更改任何文件。\r\n请删除该目录后重试。";
inline constexpr wchar_t kLogComFailed[] = L"COM初始化错误，操作无法继续";

inline constexpr wchar_t kExtractStart[] = L"正在解开文件";
inline constexpr wchar_t kExtractRunning[] = L"正在解开文件...";
inline constexpr wchar_t kExtractSuccess[] = L"Success: %s";
inline constexpr wchar_t kExtractFailure[] = L"Failure: %s";
inline constexpr wchar_t kExtractDone[] = L"Completed.";

inline constexpr wchar_t kCaptionNotice[] = L"操作提示";
inline constexpr wchar_t kCaptionNotPossible[] = L"无法执行的操作";
inline constexpr wchar_t kCaptionChooseFolder[] = L"文件夹选择";
inline constexpr wchar_t kCaptionUpdate[] = L"输入法更新";

inline constexpr wchar_t kButtonInstall[] = L"安装(&S)";
inline constexpr wchar_t kButtonRepair[] = L"修复(&R)";
inline constexpr wchar_t kButtonUninstall[] = L"卸载(&U)";
inline constexpr wchar_t kButtonFinish[] = L"完成(&O)";

// The install wizard.
inline constexpr wchar_t kWizardTitle[] = L"%s 安装向导";
inline constexpr wchar_t kWizardWelcome[] = L"欢迎使用 %s 安装程序";
inline constexpr wchar_t kWizardReady[] = L"请确认相关设定，并单击“安装”按钮，执行安装操作。";
inline constexpr wchar_t kWizardWorking[] = L"正在将 %s 安装到您的计算机中，请稍候。";
inline constexpr wchar_t kWizardFinished[] = L"请单击“完成”按钮退出安装程序。";
inline constexpr wchar_t kChooseFolderTitle[] = L"请选择安装目录...";
inline constexpr wchar_t kMsgCreateFolderQuestion[] = L"目录“%s”不存在。\r\n是否创建该目录？";
inline constexpr wchar_t kMsgCreateFolderFailed[] =
    L"创建目录失败，请确定程序对当前路径的访问权限。";
inline constexpr wchar_t kMsgFolderExists[] =
    L"所选安装目录已经存在，是否继续安装并覆盖安装目录？";
inline constexpr wchar_t kMsgFolderNotCreated[] =
    L"所选安装目录:\r\n%s\r\n未能创建，请确定您的当前用户对该目录的访问权限！";
inline constexpr wchar_t kMsgFolderRefused[] =
    L"所选安装目录:\r\n%s\r\n不能用作安装目录，请选择其它目录。";

inline constexpr wchar_t kLogInstallStart[] = L"请稍候安装完成....\r\n";
inline constexpr wchar_t kLogInstallFiles[] = L"  1.创建文件系统....";
inline constexpr wchar_t kLogInstallRegister[] = L"  2.设置软件运行环境...";
inline constexpr wchar_t kLogInstallEntry[] = L"  3.写入卸载信息...";
inline constexpr wchar_t kLogInstallBackup[] = L"  4.备份安装数据...";
inline constexpr wchar_t kLogInstallShortcuts[] = L"  5.创建开始菜单及桌面快捷方式...";
inline constexpr wchar_t kLogInstallCleanUp[] = L"  6.清除安装程序创建的临时文件...";
inline constexpr wchar_t kLogInstallDone[] = L"  7.安装完成。\r\n";
inline constexpr wchar_t kLogInstallFailed[] = L"安装程序发生错误！";
// The waiting line once a run has ended well.
inline constexpr wchar_t kLogInstallFinished[] = L"安装完成。";
inline constexpr wchar_t kLogRepairFinished[] = L"修复完成。";
inline constexpr wchar_t kLogUninstallFinished[] = L"卸载完成。";
// A failed step: its name, and the call that failed with its code and the
// system's text for it.
inline constexpr wchar_t kLogStepFailed[] = L"     错误: 步骤“%s”失败";
inline constexpr wchar_t kLogStepFailedCall[] = L"     错误: 步骤“%s”失败: %s";
inline constexpr wchar_t kLogStepFailedError[] =
    L"     错误: 步骤“%s”失败: %s 返回错误 0x%08X (%u) %s";
inline constexpr wchar_t kFailBadProductKey[] = L"产品标识不是有效的 GUID";
inline constexpr wchar_t kFailNoSystemFolder[] = L"无法取得系统目录";
inline constexpr wchar_t kFailTsfNotAllowed[] = L"安装包不支持 TSF 框架，而此版本的 Windows 只能使用 TSF 输入法";
inline constexpr wchar_t kFailUninstallRootNotWritable[] = L"无法写入程序列表的注册表项";
inline constexpr wchar_t kLogInstallUndo[] = L"      正在撤销已完成的安装步骤...";

// Repair and uninstall.
inline constexpr wchar_t kRepairTitle[] = L"%s - 修复程序";
inline constexpr wchar_t kUninstallTitle[] = L"%s - 卸载程序";
inline constexpr wchar_t kRepairReady[] = L"单击“修复”按钮，以将软件恢复到初始状态。";
inline constexpr wchar_t kRepairWorking[] = L"正在修复 %s ，请稍候。";
inline constexpr wchar_t kRepairFinished[] = L"单击“完成”按钮，退出修复程序。";
inline constexpr wchar_t kUninstallReady[] = L"单击“卸载”按钮，从计算机中移除 %s。";
inline constexpr wchar_t kUninstallWorking[] = L"正在卸载 %s ，请稍候。";
inline constexpr wchar_t kUninstallFinished[] = L"请单击“完成”按钮退出卸载程序。";
inline constexpr wchar_t kMsgNoBackupPackage[] =
    L"安装数据文件不存在或者已经损坏,修复程序无法运行.";
inline constexpr wchar_t kMsgRepairBlocked[] =
    L"由于存在载入输入法的进程，修复操作无法继续。请重新启动计算机后重新运行修复程序。";
inline constexpr wchar_t kMsgUninstallBlocked[] =
    L"由于存在载入输入法的进程，卸载操作无法继续。请重新启动计算机后重新运行卸载程序。";
inline constexpr wchar_t kMsgViewBackup[] = L"用户词已经备份在 [ %s ] 中，是否现在查看?";
inline constexpr wchar_t kMsgUserWordsNotSaved[] =
    L"用户词条未能备份到“文档”文件夹，操作已停止，用户词条没有任何改动。\r\n"
    L"请确认该文件夹可以写入后重试。";

inline constexpr wchar_t kLogUserWordsSaved[] = L"已备份用户词条 %u 条: %s";
inline constexpr wchar_t kLogRepairStart[] = L"请稍候修复完成....\r\n";
inline constexpr wchar_t kLogRepairKeep[] = L"  1.备份用户数据....";
inline constexpr wchar_t kLogRepairFiles[] = L"  2.修复文件系统....";
inline constexpr wchar_t kLogRepairRegister[] = L"  3.修复软件运行环境...";
inline constexpr wchar_t kLogRepairShortcuts[] = L"  4.修复开始菜单及桌面快捷方式...";
inline constexpr wchar_t kLogRepairCleanUp[] = L"  5.清除安装程序创建的临时文件...";
inline constexpr wchar_t kLogRepairDone[] = L"  6.修复完成。\r\n";
inline constexpr wchar_t kLogRepairFailed[] = L"修复程序发生错误！";
inline constexpr wchar_t kLogUserWordsRestored[] = L"      已将 %u 条用户词条写回码表。";
inline constexpr wchar_t kLogUserWordsNotRestored[] = L"      错误: 用户词条未能写回码表。";
inline constexpr wchar_t kLogCountersNotRestored[] = L"      错误: 码表的用户计数未能写回。";
// Where the words wait, and the two ways back into the table.
inline constexpr wchar_t kLogUserWordsOnDisk[] =
    L"      %u 条用户词条保存在 %s 中，下次修复时自动写回码表；也可以在输入法设置的“码表”页"
    L"选中“输入编码表”，单击“导入”并选择该文件。";
inline constexpr wchar_t kLogUserWordsNotKept[] =
    L"      错误: 用户词条无法保存到数据目录 %s ，修复已停止，码表没有任何改动。";

inline constexpr wchar_t kLogUninstallStart[] = L"请稍候卸载完成...\r\n";
inline constexpr wchar_t kLogUninstallInput[] = L"  1.卸载输入接口...";
inline constexpr wchar_t kLogUninstallLanguageBar[] = L"  2.删除语言栏项目...";
inline constexpr wchar_t kLogUninstallFiles[] = L"  3.删除文件系统...";
inline constexpr wchar_t kLogUninstallShortcuts[] = L"  4.删除快捷方式...";
inline constexpr wchar_t kLogUninstallFonts[] = L"  5.卸载字体...";
inline constexpr wchar_t kLogUninstallWhole[] = L"      执行完整卸载...";
inline constexpr wchar_t kLogUninstallKeys[] = L"  6.卸载软件信息...";
inline constexpr wchar_t kLogUninstallDone[] = L"  7.卸载完成。\r\n";
inline constexpr wchar_t kLogUninstallDoneRestart[] =
    L"  7.卸载完成。部分文件正在使用，将在重新启动计算机后删除。\r\n";

// The update check.
inline constexpr wchar_t kUpdateTitle[] = L"%s - 更新程序";
inline constexpr wchar_t kUpdateTitleUnknown[] = L"for all zinnor v3 - 更新程序";
inline constexpr wchar_t kUpdateWelcome[] = L"欢迎使用 %s 更新程序";
inline constexpr wchar_t kUpdateIntro[] =
    L"您当前的程序版本为: %s\r\n\r\n您可以单击“检查更新”按钮，检查是否存在新版程序。\r\n";
inline constexpr wchar_t kUpdateNoTarget[] = L"未知的更新目标";
inline constexpr wchar_t kUpdateNoTemp[] = L"获取系统临时路径失败";
inline constexpr wchar_t kMsgUpdateInitFailed[] = L"初始化更新模块发生错误";
inline constexpr wchar_t kUpdateSeparator[] =
    L"\r\n-----------------------------------------------------\r\n";
inline constexpr wchar_t kUpdateNotSupported[] = L"当前软件尚未支持更新功能。";
inline constexpr wchar_t kUpdateAddressRefused[] =
    L"更新地址不是有效的 http 或 https 地址，无法检查更新。";
inline constexpr wchar_t kUpdateBadStatus[] = L"无法访问的URL，错误代码：%u";
inline constexpr wchar_t kUpdateNoAnswer[] = L"无法连接更新服务器，请检查网络连接后重试。";
inline constexpr wchar_t kUpdateTooLarge[] = L"更新信息过大，已放弃下载。";
inline constexpr wchar_t kUpdateNotSaved[] = L"更新信息无法保存到临时目录。";
inline constexpr wchar_t kUpdateServerVersion[] = L"服务器存在更新版本: %s";
inline constexpr wchar_t kUpdateChanges[] = L"更新内容如下: \r\n%s";
inline constexpr wchar_t kUpdateAddress[] = L"下载地址: %s";
inline constexpr wchar_t kMsgUpdateQuestion[] =
    L"发现新版 %s ，是否使用系统默认方式下载？\r\n单击“否”后，可以手动复制下载地址并下载程序。";
inline constexpr wchar_t kUpdateUpToDate[] = L"\r\n您现在的程序是最新版本，无需更新。\r\n";
inline constexpr wchar_t kUpdateNotOpened[] =
    L"下载地址无法自动打开，请手动复制下载地址并下载程序。";
inline constexpr wchar_t kMsgUpdateBusy[] = L"无法取消操作，请等待更新完成。";
