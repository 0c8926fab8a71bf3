<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW">
<context>
    <name>CConfigWizard</name>
    <message>
        <source>Orvex Firmware Updater</source>
        <translation>Orvex 韌體更新程式</translation>
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
        <translation>關閉</translation>
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
        <translation>對話方塊</translation>
    </message>
    <message>
        <source>Please connect your Orvex receiver to your computer using the provided USB cable.</source>
        <translation>請使用隨附的 USB 線將 Orvex 接收器連接到電腦。</translation>
    </message>
    <message>
        <source>Searching for your Orvex receiver...</source>
        <translation>正在尋找 Orvex 接收器...</translation>
    </message>
    <message>
        <source>Still searching. Check that the USB cable is plugged in firmly at both ends, or try another USB port.</source>
        <translation>仍在尋找。請檢查 USB 纜線兩端是否插緊，或嘗試其他 USB 連接埠。</translation>
    </message>
</context>
<context>
    <name>CSelectScrivetPack</name>
    <message>
        <source>WizardPage</source>
        <translation>精靈頁面</translation>
    </message>
    <message>
        <source>Please select the Orvex Scrivet Pack that you will be using with this Orvex receiver...</source>
        <translation>請選擇將與此 Orvex 接收器一起使用的 Orvex Scrivet Pack...</translation>
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
        <translation>Scrivet Pack 的筆</translation>
    </message>
    <message>
        <source>Pen of the Scrivet Pack Classic</source>
        <translation>Scrivet Pack Classic 的筆</translation>
    </message>
</context>
<context>
    <name>CUpdateFirmwarePage</name>
    <message>
        <source>WizardPage</source>
        <translation>精靈頁面</translation>
    </message>
    <message>
        <source>&lt;placeholder do not translate&gt;</source>
        <translation>&lt;placeholder do not translate&gt;</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware is up to date.</source>
        <translation>您的 Orvex 接收器韌體已是最新版本。</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware needs to be updated.</source>
        <translation>您的 Orvex 接收器韌體需要更新。</translation>
    </message>
    <message>
        <source>Click &quot;Update&quot; to install the updated firmware on your Orvex receiver. Do not unplug the Orvex receiver until the firmware is updated.</source>
        <translation>按一下「更新」以在 Orvex 接收器上安裝新韌體。韌體更新完成前，請勿拔下 Orvex 接收器。</translation>
    </message>
    <message>
        <source>&amp;Update</source>
        <translation>更新(&amp;U)</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware is being updated...</source>
        <translation>正在更新 Orvex 接收器韌體...</translation>
    </message>
    <message>
        <source>This process may take several minutes. Do not unplug the Orvex receiver until the firmware is updated.</source>
        <translation>此程序可能需要幾分鐘。韌體更新完成前，請勿拔下 Orvex 接收器。</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware has been updated.</source>
        <translation>Orvex 接收器韌體已更新。</translation>
    </message>
    <message>
        <source>Your Orvex receiver failed to update. Please provide Technical Support with the following error code: </source>
        <translation>Orvex 接收器更新失敗。請向技術支援提供以下錯誤代碼： </translation>
    </message>
    <message>
        <source>Please unplug the Orvex receiver before restarting the updater. Would you like to retry the update?</source>
        <translation>重新啟動更新程式前，請拔下 Orvex 接收器。是否重試更新？</translation>
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
        <translation>已安裝：%1，組建 %2。新版本：%3，組建 %4。</translation>
    </message>
    <message>
        <source>An earlier update of this receiver did not finish. Update finishes it: %1, build %2.</source>
        <translation>此接收器先前的一次更新未完成。按一下「更新」完成該更新：%1，組建 %2。</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware could not be updated.</source>
        <translation>無法更新 Orvex 接收器韌體。</translation>
    </message>
    <message>
        <source>This computer cannot keep a record of updates: if this update is interrupted, the next start may not know it.</source>
        <translation>此電腦無法保存更新記錄：如果此次更新被中斷，下次啟動時可能無法得知。</translation>
    </message>
    <message>
        <source>Restarting the receiver (restart %1 of %2). This can take a minute or two. Do not unplug it. (%3&#xa0;s)</source>
        <translation>正在重新啟動接收器（第 %1 次，共 %2 次），可能需要一兩分鐘。請勿拔下接收器。（%3 秒）</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>更新進度</translation>
    </message>
    <message>
        <source>The Scrivet Pack Classic has a firmware line of its own: a lower number is not an older firmware.</source>
        <translation>Scrivet Pack Classic 使用自己的韌體系列：版本號較低並不表示韌體較舊。</translation>
    </message>
    <message>
        <source>The update must finish first. Keep the receiver plugged in until it has.</source>
        <translation>必須先完成更新。在此之前請保持接收器插入。</translation>
    </message>
    <message>
        <source>Installed: %1, build %2.</source>
        <translation>已安裝：%1，組建 %2。</translation>
    </message>
</context>
<context>
    <name>CWizardBase</name>
    <message>
        <source>Orvex Firmware Updater</source>
        <translation>Orvex 韌體更新程式</translation>
    </message>
</context>
<context>
    <name>DeviceLibrary</name>
    <message>
        <source>The device library %1 is missing: no receiver can be reached.</source>
        <translation>缺少裝置程式庫 %1：無法連線任何接收器。</translation>
    </message>
    <message>
        <source>The device library %1 could not be loaded (system error %2): no receiver can be reached.</source>
        <translation>無法載入裝置程式庫 %1（系統錯誤 %2）：無法連線任何接收器。</translation>
    </message>
    <message>
        <source>The device library %1 has no call %2: no receiver can be reached.</source>
        <translation>裝置程式庫 %1 缺少呼叫 %2：無法連線任何接收器。</translation>
    </message>
</context>
<context>
    <name>QMenuBar</name>
    <message>
        <source>Services</source>
        <translation>服務</translation>
    </message>
    <message>
        <source>Hide %1</source>
        <translation>隱藏 %1</translation>
    </message>
    <message>
        <source>Hide Others</source>
        <translation>隱藏其他</translation>
    </message>
    <message>
        <source>Show All</source>
        <translation>全部顯示</translation>
    </message>
    <message>
        <source>Quit %1</source>
        <translation>結束 %1</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Orvex Firmware Updater</source>
        <translation>Orvex 韌體更新程式</translation>
    </message>
    <message>
        <source>The Orvex Firmware Updater is already running, but its window cannot be shown. If it is updating a receiver, leave the receiver plugged in, wait a few minutes, then start the updater again.</source>
        <translation>Orvex 韌體更新程式已在執行，但無法顯示其視窗。如果正在更新接收器，請保持接收器連接，等待幾分鐘後再重新啟動更新程式。</translation>
    </message>
</context>
</TS>
