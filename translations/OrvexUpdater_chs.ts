<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>CConfigWizard</name>
    <message>
        <source>Orvex Firmware Updater</source>
        <translation>Orvex 固件更新程序</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>上一步</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>下一步</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>CIntroPage</name>
    <message>
        <source>Dialog</source>
        <translation>对话框</translation>
    </message>
    <message>
        <source>Please connect your Orvex receiver to your computer using the provided USB cable.</source>
        <translation>请使用随附的 USB 线将 Orvex 接收器连接到电脑。</translation>
    </message>
    <message>
        <source>Searching for your Orvex receiver...</source>
        <translation>正在查找 Orvex 接收器...</translation>
    </message>
    <message>
        <source>Still searching. Check that the USB cable is plugged in firmly at both ends, or try another USB port.</source>
        <translation>仍在查找。请检查 USB 电缆两端是否插紧，或尝试其他 USB 端口。</translation>
    </message>
</context>
<context>
    <name>CSelectScrivetPack</name>
    <message>
        <source>WizardPage</source>
        <translation>向导页</translation>
    </message>
    <message>
        <source>Please select the Orvex Scrivet Pack that you will be using with this Orvex receiver...</source>
        <translation>请选择将与此 Orvex 接收器一起使用的 Orvex Scrivet Pack...</translation>
    </message>
    <message>
        <source>Scrivet Pack</source>
        <translation>Scrivet Pack</translation>
    </message>
    <message>
        <source>Scrivet Pack Classic</source>
        <translation>Scrivet Pack Classic</translation>
    </message>
    <message>
        <source>I am not using a Scrivet Pack</source>
        <translation>我不使用 Scrivet Pack</translation>
    </message>
    <message>
        <source>Pen of the Scrivet Pack</source>
        <translation>Scrivet Pack 的笔</translation>
    </message>
    <message>
        <source>Pen of the Scrivet Pack Classic</source>
        <translation>Scrivet Pack Classic 的笔</translation>
    </message>
</context>
<context>
    <name>CUpdateFirmwarePage</name>
    <message>
        <source>WizardPage</source>
        <translation>向导页</translation>
    </message>
    <message>
        <source>&lt;placeholder do not translate&gt;</source>
        <translation>&lt;placeholder do not translate&gt;</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware is up to date.</source>
        <translation>您的 Orvex 接收器固件已是最新版本。</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware needs to be updated.</source>
        <translation>您的 Orvex 接收器固件需要更新。</translation>
    </message>
    <message>
        <source>Click &quot;Update&quot; to install the updated firmware on your Orvex receiver. Do not unplug the Orvex receiver until the firmware is updated.</source>
        <translation>单击“更新”以在 Orvex 接收器上安装新固件。固件更新完成前，请勿拔下 Orvex 接收器。</translation>
    </message>
    <message>
        <source>&amp;Update</source>
        <translation>更新(&amp;U)</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware is being updated...</source>
        <translation>正在更新 Orvex 接收器固件...</translation>
    </message>
    <message>
        <source>This process may take several minutes. Do not unplug the Orvex receiver until the firmware is updated.</source>
        <translation>此过程可能需要几分钟。固件更新完成前，请勿拔下 Orvex 接收器。</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware has been updated.</source>
        <translation>Orvex 接收器固件已更新。</translation>
    </message>
    <message>
        <source>Your Orvex receiver failed to update. Please provide Technical Support with the following error code: </source>
        <translation>Orvex 接收器更新失败。请向技术支持提供以下错误代码： </translation>
    </message>
    <message>
        <source>Please unplug the Orvex receiver before restarting the updater. Would you like to retry the update?</source>
        <translation>重新启动更新程序前，请拔下 Orvex 接收器。是否重试更新？</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>No</source>
        <translation>否</translation>
    </message>
    <message>
        <source>Installed: %1, build %2. New: %3, build %4.</source>
        <translation>已安装：%1，版本号 %2。新版本：%3，版本号 %4。</translation>
    </message>
    <message>
        <source>An earlier update of this receiver did not finish. Update finishes it: %1, build %2.</source>
        <translation>此接收器之前的一次更新未完成。单击“更新”完成该更新：%1，版本号 %2。</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware could not be updated.</source>
        <translation>无法更新 Orvex 接收器固件。</translation>
    </message>
    <message>
        <source>This computer cannot keep a record of updates: if this update is interrupted, the next start may not know it.</source>
        <translation>此计算机无法保存更新记录：如果此次更新被中断，下次启动时可能无法得知。</translation>
    </message>
    <message>
        <source>Restarting the receiver (restart %1 of %2). This can take a minute or two. Do not unplug it. (%3&#xa0;s)</source>
        <translation>正在重新启动接收器（第 %1 次，共 %2 次），可能需要一两分钟。请勿拔下接收器。（%3 秒）</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>更新进度</translation>
    </message>
    <message>
        <source>The Scrivet Pack Classic has a firmware line of its own: a lower number is not an older firmware.</source>
        <translation>Scrivet Pack Classic 使用自己的固件系列：版本号较低并不表示固件较旧。</translation>
    </message>
    <message>
        <source>The update must finish first. Keep the receiver plugged in until it has.</source>
        <translation>必须先完成更新。在此之前请保持接收器插入。</translation>
    </message>
    <message>
        <source>Installed: %1, build %2.</source>
        <translation>已安装：%1，版本号 %2。</translation>
    </message>
</context>
<context>
    <name>CWizardBase</name>
    <message>
        <source>Orvex Firmware Updater</source>
        <translation>Orvex 固件更新程序</translation>
    </message>
</context>
<context>
    <name>DeviceLibrary</name>
    <message>
        <source>The device library %1 is missing: no receiver can be reached.</source>
        <translation>缺少设备库 %1：无法连接任何接收器。</translation>
    </message>
    <message>
        <source>The device library %1 could not be loaded (system error %2): no receiver can be reached.</source>
        <translation>无法加载设备库 %1（系统错误 %2）：无法连接任何接收器。</translation>
    </message>
    <message>
        <source>The device library %1 has no call %2: no receiver can be reached.</source>
        <translation>设备库 %1 缺少调用 %2：无法连接任何接收器。</translation>
    </message>
</context>
<context>
    <name>QMenuBar</name>
    <message>
        <source>Services</source>
        <translation>服务</translation>
    </message>
    <message>
        <source>Hide %1</source>
        <translation>隐藏 %1</translation>
    </message>
    <message>
        <source>Hide Others</source>
        <translation>隐藏其他</translation>
    </message>
    <message>
        <source>Show All</source>
        <translation>全部显示</translation>
    </message>
    <message>
        <source>Quit %1</source>
        <translation>退出 %1</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Orvex Firmware Updater</source>
        <translation>Orvex 固件更新程序</translation>
    </message>
    <message>
        <source>The Orvex Firmware Updater is already running, but its window cannot be shown. If it is updating a receiver, leave the receiver plugged in, wait a few minutes, then start the updater again.</source>
        <translation>Orvex 固件更新程序已在运行，但无法显示其窗口。如果正在更新接收器，请保持接收器连接，等待几分钟后再重新启动更新程序。</translation>
    </message>
</context>
</TS>
