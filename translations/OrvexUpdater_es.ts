<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>CConfigWizard</name>
    <message>
        <source>Orvex Firmware Updater</source>
        <translation>Actualizador de firmware Orvex</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Atrás</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Siguiente</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
</context>
<context>
    <name>CIntroPage</name>
    <message>
        <source>Dialog</source>
        <translation>Diálogo</translation>
    </message>
    <message>
        <source>Please connect your Orvex receiver to your computer using the provided USB cable.</source>
        <translation>Conecte su receptor Orvex al ordenador con el cable USB suministrado.</translation>
    </message>
    <message>
        <source>Searching for your Orvex receiver...</source>
        <translation>Buscando su receptor Orvex...</translation>
    </message>
    <message>
        <source>Still searching. Check that the USB cable is plugged in firmly at both ends, or try another USB port.</source>
        <translation>Se sigue buscando. Compruebe que el cable USB esté bien conectado en ambos extremos o pruebe con otro puerto USB.</translation>
    </message>
</context>
<context>
    <name>CSelectScrivetPack</name>
    <message>
        <source>WizardPage</source>
        <translation>Página del asistente</translation>
    </message>
    <message>
        <source>Please select the Orvex Scrivet Pack that you will be using with this Orvex receiver...</source>
        <translation>Seleccione el Scrivet Pack de Orvex que usará con este receptor Orvex...</translation>
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
        <translation>No uso ningún Scrivet Pack</translation>
    </message>
    <message>
        <source>Pen of the Scrivet Pack</source>
        <translation>Lápiz del Scrivet Pack</translation>
    </message>
    <message>
        <source>Pen of the Scrivet Pack Classic</source>
        <translation>Lápiz del Scrivet Pack Classic</translation>
    </message>
</context>
<context>
    <name>CUpdateFirmwarePage</name>
    <message>
        <source>WizardPage</source>
        <translation>Página del asistente</translation>
    </message>
    <message>
        <source>&lt;placeholder do not translate&gt;</source>
        <translation>&lt;placeholder do not translate&gt;</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware is up to date.</source>
        <translation>El firmware de su receptor Orvex está actualizado.</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware needs to be updated.</source>
        <translation>Es necesario actualizar el firmware de su receptor Orvex.</translation>
    </message>
    <message>
        <source>Click &quot;Update&quot; to install the updated firmware on your Orvex receiver. Do not unplug the Orvex receiver until the firmware is updated.</source>
        <translation>Haga clic en &quot;Actualizar&quot; para instalar el nuevo firmware en su receptor Orvex. No desconecte el receptor Orvex hasta que el firmware se haya actualizado.</translation>
    </message>
    <message>
        <source>&amp;Update</source>
        <translation>&amp;Actualizar</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware is being updated...</source>
        <translation>Actualizando el firmware de su receptor Orvex...</translation>
    </message>
    <message>
        <source>This process may take several minutes. Do not unplug the Orvex receiver until the firmware is updated.</source>
        <translation>Este proceso puede tardar varios minutos. No desconecte el receptor Orvex hasta que el firmware se haya actualizado.</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware has been updated.</source>
        <translation>El firmware de su receptor Orvex se ha actualizado.</translation>
    </message>
    <message>
        <source>Your Orvex receiver failed to update. Please provide Technical Support with the following error code: </source>
        <translation>No se pudo actualizar su receptor Orvex. Facilite al servicio técnico el siguiente código de error: </translation>
    </message>
    <message>
        <source>Please unplug the Orvex receiver before restarting the updater. Would you like to retry the update?</source>
        <translation>Desconecte el receptor Orvex antes de reiniciar el actualizador. ¿Desea volver a intentar la actualización?</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Sí</translation>
    </message>
    <message>
        <source>No</source>
        <translation>No</translation>
    </message>
    <message>
        <source>Installed: %1, build %2. New: %3, build %4.</source>
        <translation>Instalado: %1, compilación %2. Nuevo: %3, compilación %4.</translation>
    </message>
    <message>
        <source>An earlier update of this receiver did not finish. Update finishes it: %1, build %2.</source>
        <translation>Una actualización anterior de este receptor no terminó. &quot;Actualizar&quot; la completa: %1, compilación %2.</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware could not be updated.</source>
        <translation>No se pudo actualizar el firmware de su receptor Orvex.</translation>
    </message>
    <message>
        <source>This computer cannot keep a record of updates: if this update is interrupted, the next start may not know it.</source>
        <translation>Este equipo no puede guardar un registro de las actualizaciones: si esta actualización se interrumpe, el próximo inicio puede no saberlo.</translation>
    </message>
    <message>
        <source>Restarting the receiver (restart %1 of %2). This can take a minute or two. Do not unplug it. (%3&#xa0;s)</source>
        <translation>Reiniciando el receptor (reinicio %1 de %2). Puede tardar uno o dos minutos. No lo desconecte. (%3&#xa0;s)</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>Progreso de la actualización</translation>
    </message>
    <message>
        <source>The Scrivet Pack Classic has a firmware line of its own: a lower number is not an older firmware.</source>
        <translation>El Scrivet Pack Classic tiene su propia línea de firmware: un número menor no es un firmware más antiguo.</translation>
    </message>
    <message>
        <source>The update must finish first. Keep the receiver plugged in until it has.</source>
        <translation>Primero debe terminar la actualización. Mantenga el receptor conectado hasta entonces.</translation>
    </message>
    <message>
        <source>Installed: %1, build %2.</source>
        <translation>Instalado: %1, compilación %2.</translation>
    </message>
</context>
<context>
    <name>CWizardBase</name>
    <message>
        <source>Orvex Firmware Updater</source>
        <translation>Actualizador de firmware Orvex</translation>
    </message>
</context>
<context>
    <name>DeviceLibrary</name>
    <message>
        <source>The device library %1 is missing: no receiver can be reached.</source>
        <translation>Falta la biblioteca del dispositivo %1: no se puede acceder a ningún receptor.</translation>
    </message>
    <message>
        <source>The device library %1 could not be loaded (system error %2): no receiver can be reached.</source>
        <translation>No se pudo cargar la biblioteca del dispositivo %1 (error del sistema %2): no se puede acceder a ningún receptor.</translation>
    </message>
    <message>
        <source>The device library %1 has no call %2: no receiver can be reached.</source>
        <translation>A la biblioteca del dispositivo %1 le falta la llamada %2: no se puede acceder a ningún receptor.</translation>
    </message>
</context>
<context>
    <name>QMenuBar</name>
    <message>
        <source>Services</source>
        <translation>Servicios</translation>
    </message>
    <message>
        <source>Hide %1</source>
        <translation>Ocultar %1</translation>
    </message>
    <message>
        <source>Hide Others</source>
        <translation>Ocultar otros</translation>
    </message>
    <message>
        <source>Show All</source>
        <translation>Mostrar todo</translation>
    </message>
    <message>
        <source>Quit %1</source>
        <translation>Salir de %1</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Orvex Firmware Updater</source>
        <translation>Actualizador de firmware Orvex</translation>
    </message>
    <message>
        <source>The Orvex Firmware Updater is already running, but its window cannot be shown. If it is updating a receiver, leave the receiver plugged in, wait a few minutes, then start the updater again.</source>
        <translation>El actualizador de firmware Orvex ya se está ejecutando, pero no se puede mostrar su ventana. Si está actualizando un receptor, déjelo conectado, espere unos minutos y vuelva a iniciar el actualizador.</translation>
    </message>
</context>
</TS>
