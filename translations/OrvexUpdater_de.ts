<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>CConfigWizard</name>
    <message>
        <source>Orvex Firmware Updater</source>
        <translation>Orvex Firmware-Aktualisierung</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Weiter</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>CIntroPage</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>Please connect your Orvex receiver to your computer using the provided USB cable.</source>
        <translation>Bitte schließen Sie Ihren Orvex-Empfänger mit dem mitgelieferten USB-Kabel an Ihren Computer an.</translation>
    </message>
    <message>
        <source>Searching for your Orvex receiver...</source>
        <translation>Orvex-Empfänger wird gesucht...</translation>
    </message>
    <message>
        <source>Still searching. Check that the USB cable is plugged in firmly at both ends, or try another USB port.</source>
        <translation>Die Suche läuft noch. Prüfen Sie, ob das USB-Kabel an beiden Enden fest steckt, oder versuchen Sie einen anderen USB-Anschluss.</translation>
    </message>
</context>
<context>
    <name>CSelectScrivetPack</name>
    <message>
        <source>WizardPage</source>
        <translation>Assistentenseite</translation>
    </message>
    <message>
        <source>Please select the Orvex Scrivet Pack that you will be using with this Orvex receiver...</source>
        <translation>Bitte wählen Sie das Orvex Scrivet Pack, das Sie mit diesem Orvex-Empfänger verwenden...</translation>
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
        <translation>Ich verwende kein Scrivet Pack</translation>
    </message>
    <message>
        <source>Pen of the Scrivet Pack</source>
        <translation>Stift des Scrivet Pack</translation>
    </message>
    <message>
        <source>Pen of the Scrivet Pack Classic</source>
        <translation>Stift des Scrivet Pack Classic</translation>
    </message>
</context>
<context>
    <name>CUpdateFirmwarePage</name>
    <message>
        <source>WizardPage</source>
        <translation>Assistentenseite</translation>
    </message>
    <message>
        <source>&lt;placeholder do not translate&gt;</source>
        <translation>&lt;placeholder do not translate&gt;</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware is up to date.</source>
        <translation>Die Firmware Ihres Orvex-Empfängers ist aktuell.</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware needs to be updated.</source>
        <translation>Die Firmware Ihres Orvex-Empfängers muss aktualisiert werden.</translation>
    </message>
    <message>
        <source>Click &quot;Update&quot; to install the updated firmware on your Orvex receiver. Do not unplug the Orvex receiver until the firmware is updated.</source>
        <translation>Klicken Sie auf &quot;Aktualisieren&quot;, um die neue Firmware auf Ihrem Orvex-Empfänger zu installieren. Ziehen Sie den Orvex-Empfänger erst ab, wenn die Firmware aktualisiert ist.</translation>
    </message>
    <message>
        <source>&amp;Update</source>
        <translation>&amp;Aktualisieren</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware is being updated...</source>
        <translation>Die Firmware Ihres Orvex-Empfängers wird aktualisiert...</translation>
    </message>
    <message>
        <source>This process may take several minutes. Do not unplug the Orvex receiver until the firmware is updated.</source>
        <translation>Dieser Vorgang kann einige Minuten dauern. Ziehen Sie den Orvex-Empfänger erst ab, wenn die Firmware aktualisiert ist.</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware has been updated.</source>
        <translation>Die Firmware Ihres Orvex-Empfängers wurde aktualisiert.</translation>
    </message>
    <message>
        <source>Your Orvex receiver failed to update. Please provide Technical Support with the following error code: </source>
        <translation>Die Aktualisierung Ihres Orvex-Empfängers ist fehlgeschlagen. Bitte nennen Sie dem technischen Support den folgenden Fehlercode: </translation>
    </message>
    <message>
        <source>Please unplug the Orvex receiver before restarting the updater. Would you like to retry the update?</source>
        <translation>Bitte ziehen Sie den Orvex-Empfänger ab, bevor Sie die Aktualisierung neu starten. Möchten Sie die Aktualisierung wiederholen?</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>Installed: %1, build %2. New: %3, build %4.</source>
        <translation>Installiert: %1, Build %2. Neu: %3, Build %4.</translation>
    </message>
    <message>
        <source>An earlier update of this receiver did not finish. Update finishes it: %1, build %2.</source>
        <translation>Eine frühere Aktualisierung dieses Empfängers wurde nicht abgeschlossen. &quot;Aktualisieren&quot; schließt sie ab: %1, Build %2.</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware could not be updated.</source>
        <translation>Die Firmware Ihres Orvex-Empfängers konnte nicht aktualisiert werden.</translation>
    </message>
    <message>
        <source>This computer cannot keep a record of updates: if this update is interrupted, the next start may not know it.</source>
        <translation>Dieser Computer kann keine Aufzeichnung der Aktualisierungen führen: Wird diese Aktualisierung unterbrochen, weiß der nächste Start möglicherweise nichts davon.</translation>
    </message>
    <message>
        <source>Restarting the receiver (restart %1 of %2). This can take a minute or two. Do not unplug it. (%3&#xa0;s)</source>
        <translation>Der Empfänger startet neu (Neustart %1 von %2). Das kann ein bis zwei Minuten dauern. Nicht abziehen. (%3&#xa0;s)</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>Fortschritt der Aktualisierung</translation>
    </message>
    <message>
        <source>The Scrivet Pack Classic has a firmware line of its own: a lower number is not an older firmware.</source>
        <translation>Das Scrivet Pack Classic hat eine eigene Firmware-Linie: Eine niedrigere Nummer ist keine ältere Firmware.</translation>
    </message>
    <message>
        <source>The update must finish first. Keep the receiver plugged in until it has.</source>
        <translation>Die Aktualisierung muss zuerst abgeschlossen werden. Lassen Sie den Empfänger bis dahin eingesteckt.</translation>
    </message>
    <message>
        <source>Installed: %1, build %2.</source>
        <translation>Installiert: %1, Build %2.</translation>
    </message>
</context>
<context>
    <name>CWizardBase</name>
    <message>
        <source>Orvex Firmware Updater</source>
        <translation>Orvex Firmware-Aktualisierung</translation>
    </message>
</context>
<context>
    <name>DeviceLibrary</name>
    <message>
        <source>The device library %1 is missing: no receiver can be reached.</source>
        <translation>Die Gerätebibliothek %1 fehlt: Es kann kein Empfänger erreicht werden.</translation>
    </message>
    <message>
        <source>The device library %1 could not be loaded (system error %2): no receiver can be reached.</source>
        <translation>Die Gerätebibliothek %1 konnte nicht geladen werden (Systemfehler %2): Es kann kein Empfänger erreicht werden.</translation>
    </message>
    <message>
        <source>The device library %1 has no call %2: no receiver can be reached.</source>
        <translation>Der Gerätebibliothek %1 fehlt der Aufruf %2: Es kann kein Empfänger erreicht werden.</translation>
    </message>
</context>
<context>
    <name>QMenuBar</name>
    <message>
        <source>Services</source>
        <translation>Dienste</translation>
    </message>
    <message>
        <source>Hide %1</source>
        <translation>%1 ausblenden</translation>
    </message>
    <message>
        <source>Hide Others</source>
        <translation>Andere ausblenden</translation>
    </message>
    <message>
        <source>Show All</source>
        <translation>Alle einblenden</translation>
    </message>
    <message>
        <source>Quit %1</source>
        <translation>%1 beenden</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Orvex Firmware Updater</source>
        <translation>Orvex Firmware-Aktualisierung</translation>
    </message>
    <message>
        <source>The Orvex Firmware Updater is already running, but its window cannot be shown. If it is updating a receiver, leave the receiver plugged in, wait a few minutes, then start the updater again.</source>
        <translation>Die Orvex Firmware-Aktualisierung läuft bereits, ihr Fenster kann aber nicht angezeigt werden. Falls gerade ein Empfänger aktualisiert wird, lassen Sie ihn angeschlossen, warten Sie einige Minuten und starten Sie die Aktualisierung dann erneut.</translation>
    </message>
</context>
</TS>
