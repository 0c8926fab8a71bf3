<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>CConfigWizard</name>
    <message>
        <source>Orvex Firmware Updater</source>
        <translation>Mise à jour du micrologiciel Orvex</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Précédent</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Suivant</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>CIntroPage</name>
    <message>
        <source>Dialog</source>
        <translation>Dialogue</translation>
    </message>
    <message>
        <source>Please connect your Orvex receiver to your computer using the provided USB cable.</source>
        <translation>Veuillez brancher votre récepteur Orvex à votre ordinateur avec le câble USB fourni.</translation>
    </message>
    <message>
        <source>Searching for your Orvex receiver...</source>
        <translation>Recherche de votre récepteur Orvex...</translation>
    </message>
    <message>
        <source>Still searching. Check that the USB cable is plugged in firmly at both ends, or try another USB port.</source>
        <translation>Recherche en cours. Vérifiez que le câble USB est bien branché aux deux extrémités, ou essayez un autre port USB.</translation>
    </message>
</context>
<context>
    <name>CSelectScrivetPack</name>
    <message>
        <source>WizardPage</source>
        <translation>Page de l&apos;assistant</translation>
    </message>
    <message>
        <source>Please select the Orvex Scrivet Pack that you will be using with this Orvex receiver...</source>
        <translation>Veuillez choisir le Scrivet Pack Orvex que vous utiliserez avec ce récepteur Orvex...</translation>
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
        <translation>Je n&apos;utilise pas de Scrivet Pack</translation>
    </message>
    <message>
        <source>Pen of the Scrivet Pack</source>
        <translation>Stylet du Scrivet Pack</translation>
    </message>
    <message>
        <source>Pen of the Scrivet Pack Classic</source>
        <translation>Stylet du Scrivet Pack Classic</translation>
    </message>
</context>
<context>
    <name>CUpdateFirmwarePage</name>
    <message>
        <source>WizardPage</source>
        <translation>Page de l&apos;assistant</translation>
    </message>
    <message>
        <source>&lt;placeholder do not translate&gt;</source>
        <translation>&lt;placeholder do not translate&gt;</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware is up to date.</source>
        <translation>Le micrologiciel de votre récepteur Orvex est à jour.</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware needs to be updated.</source>
        <translation>Le micrologiciel de votre récepteur Orvex doit être mis à jour.</translation>
    </message>
    <message>
        <source>Click &quot;Update&quot; to install the updated firmware on your Orvex receiver. Do not unplug the Orvex receiver until the firmware is updated.</source>
        <translation>Cliquez sur &quot;Mettre à jour&quot; pour installer le nouveau micrologiciel sur votre récepteur Orvex. Ne débranchez pas le récepteur Orvex avant la fin de la mise à jour.</translation>
    </message>
    <message>
        <source>&amp;Update</source>
        <translation>&amp;Mettre à jour</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware is being updated...</source>
        <translation>Mise à jour du micrologiciel de votre récepteur Orvex...</translation>
    </message>
    <message>
        <source>This process may take several minutes. Do not unplug the Orvex receiver until the firmware is updated.</source>
        <translation>Cette opération peut prendre plusieurs minutes. Ne débranchez pas le récepteur Orvex avant la fin de la mise à jour.</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware has been updated.</source>
        <translation>Le micrologiciel de votre récepteur Orvex a été mis à jour.</translation>
    </message>
    <message>
        <source>Your Orvex receiver failed to update. Please provide Technical Support with the following error code: </source>
        <translation>La mise à jour de votre récepteur Orvex a échoué. Veuillez communiquer au support technique le code d&apos;erreur suivant : </translation>
    </message>
    <message>
        <source>Please unplug the Orvex receiver before restarting the updater. Would you like to retry the update?</source>
        <translation>Veuillez débrancher le récepteur Orvex avant de relancer l&apos;outil de mise à jour. Voulez-vous réessayer la mise à jour ?</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Oui</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Non</translation>
    </message>
    <message>
        <source>Installed: %1, build %2. New: %3, build %4.</source>
        <translation>Installé : %1, build %2. Nouveau : %3, build %4.</translation>
    </message>
    <message>
        <source>An earlier update of this receiver did not finish. Update finishes it: %1, build %2.</source>
        <translation>Une mise à jour précédente de ce récepteur n&apos;est pas allée à son terme. &quot;Mettre à jour&quot; la termine : %1, build %2.</translation>
    </message>
    <message>
        <source>Your Orvex receiver firmware could not be updated.</source>
        <translation>Le micrologiciel de votre récepteur Orvex n&apos;a pas pu être mis à jour.</translation>
    </message>
    <message>
        <source>This computer cannot keep a record of updates: if this update is interrupted, the next start may not know it.</source>
        <translation>Cet ordinateur ne peut pas garder trace des mises à jour : si cette mise à jour est interrompue, le prochain démarrage risque de l&apos;ignorer.</translation>
    </message>
    <message>
        <source>Restarting the receiver (restart %1 of %2). This can take a minute or two. Do not unplug it. (%3&#xa0;s)</source>
        <translation>Redémarrage du récepteur (redémarrage %1 sur %2). Cela peut prendre une à deux minutes. Ne le débranchez pas. (%3&#xa0;s)</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>Progression de la mise à jour</translation>
    </message>
    <message>
        <source>The Scrivet Pack Classic has a firmware line of its own: a lower number is not an older firmware.</source>
        <translation>Le Scrivet Pack Classic a sa propre gamme de micrologiciels : un numéro inférieur n&apos;est pas un micrologiciel plus ancien.</translation>
    </message>
    <message>
        <source>The update must finish first. Keep the receiver plugged in until it has.</source>
        <translation>La mise à jour doit d&apos;abord se terminer. Laissez le récepteur branché jusque-là.</translation>
    </message>
    <message>
        <source>Installed: %1, build %2.</source>
        <translation>Installé : %1, build %2.</translation>
    </message>
</context>
<context>
    <name>CWizardBase</name>
    <message>
        <source>Orvex Firmware Updater</source>
        <translation>Mise à jour du micrologiciel Orvex</translation>
    </message>
</context>
<context>
    <name>DeviceLibrary</name>
    <message>
        <source>The device library %1 is missing: no receiver can be reached.</source>
        <translation>La bibliothèque de périphérique %1 est introuvable : aucun récepteur ne peut être atteint.</translation>
    </message>
    <message>
        <source>The device library %1 could not be loaded (system error %2): no receiver can be reached.</source>
        <translation>La bibliothèque de périphérique %1 n&apos;a pas pu être chargée (erreur système %2) : aucun récepteur ne peut être atteint.</translation>
    </message>
    <message>
        <source>The device library %1 has no call %2: no receiver can be reached.</source>
        <translation>La bibliothèque de périphérique %1 ne contient pas l&apos;appel %2 : aucun récepteur ne peut être atteint.</translation>
    </message>
</context>
<context>
    <name>QMenuBar</name>
    <message>
        <source>Services</source>
        <translation>Services</translation>
    </message>
    <message>
        <source>Hide %1</source>
        <translation>Masquer %1</translation>
    </message>
    <message>
        <source>Hide Others</source>
        <translation>Masquer les autres</translation>
    </message>
    <message>
        <source>Show All</source>
        <translation>Tout afficher</translation>
    </message>
    <message>
        <source>Quit %1</source>
        <translation>Quitter %1</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Orvex Firmware Updater</source>
        <translation>Mise à jour du micrologiciel Orvex</translation>
    </message>
    <message>
        <source>The Orvex Firmware Updater is already running, but its window cannot be shown. If it is updating a receiver, leave the receiver plugged in, wait a few minutes, then start the updater again.</source>
        <translation>La mise à jour du micrologiciel Orvex est déjà en cours, mais sa fenêtre ne peut pas être affichée. Si un récepteur est en cours de mise à jour, laissez-le branché, patientez quelques minutes, puis relancez l&apos;outil.</translation>
    </message>
</context>
</TS>
