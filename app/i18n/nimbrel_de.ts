<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>About Nimbrel</source>
        <translation>Über Nimbrel</translation>
    </message>
</context>
<context>
    <name>CComPortDlg</name>
    <message>
        <source>Select the COM Port</source>
        <translation>COM-Port auswählen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>CDistantDeviceItem</name>
    <message>
        <source>Pair %1</source>
        <translation>%1 koppeln</translation>
    </message>
    <message>
        <source>Enter the PIN to pair with %1 (%2).</source>
        <translation>Geben Sie die PIN ein, um mit %1 (%2) zu koppeln.</translation>
    </message>
    <message>
        <source>Pair request %1</source>
        <translation>Kopplungsanfrage von %1</translation>
    </message>
    <message>
        <source>%1 (%2) asks to pair with this computer. Enter the PIN it expects.</source>
        <translation>%1 (%2) möchte sich mit diesem Computer koppeln. Geben Sie die PIN ein, die das Gerät erwartet.</translation>
    </message>
    <message>
        <source>%1 asks to pair.

Does it show the passkey %2?</source>
        <translation>%1 möchte sich koppeln.

Zeigt das Gerät den Schlüssel %2 an?</translation>
    </message>
    <message>
        <source>%1 asks to pair. Allow it?</source>
        <translation>%1 möchte sich koppeln. Zulassen?</translation>
    </message>
    <message>
        <source>Pairing with %1 failed.</source>
        <translation>Die Kopplung mit %1 ist fehlgeschlagen.</translation>
    </message>
</context>
<context>
    <name>CDistantServiceItem</name>
    <message>
        <source>Shortcut already saved.</source>
        <translation>Die Verknüpfung ist bereits gespeichert.</translation>
    </message>
    <message>
        <source>Shortcut succesfully saved.</source>
        <translation>Die Verknüpfung wurde gespeichert.</translation>
    </message>
    <message>
        <source>Connection succeeded on communication port COM%1:</source>
        <translation>Verbindung über den Anschluss COM%1: hergestellt.</translation>
    </message>
</context>
<context>
    <name>CFileItem</name>
    <message>
        <source>Are you sure to delete it ?</source>
        <translation>Möchten Sie die Datei wirklich löschen?</translation>
    </message>
</context>
<context>
    <name>CMainFrame</name>
    <message>
        <source>Stop</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Nach oben</translation>
    </message>
    <message>
        <source>Shortcuts</source>
        <translation>Verknüpfungen</translation>
    </message>
    <message>
        <source>Search Devices</source>
        <translation>Geräte suchen</translation>
    </message>
    <message>
        <source>Local Services</source>
        <translation>Lokale Dienste</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Pairing request</source>
        <translation>Kopplungsanfrage</translation>
    </message>
    <message>
        <source>%1 asks to pair with this computer. Open Nimbrel to answer.</source>
        <translation>%1 möchte sich mit diesem Computer koppeln. Öffnen Sie Nimbrel, um zu antworten.</translation>
    </message>
    <message>
        <source>Link lost</source>
        <translation>Verbindung verloren</translation>
    </message>
    <message>
        <source>%1 is connected again.</source>
        <translation>%1 ist wieder verbunden.</translation>
    </message>
    <message>
        <source>Link re-established</source>
        <translation>Verbindung wiederhergestellt</translation>
    </message>
</context>
<context>
    <name>CNimbrelApp</name>
    <message>
        <source>Bluetooth is switched off. Switch it on?</source>
        <translation>Bluetooth ist ausgeschaltet. Jetzt einschalten?</translation>
    </message>
    <message>
        <source>Bluetooth is switched off.</source>
        <translation>Bluetooth ist ausgeschaltet.</translation>
    </message>
    <message>
        <source>Bluetooth could not be switched on (error %1).</source>
        <translation>Bluetooth konnte nicht eingeschaltet werden (Fehler %1).</translation>
    </message>
</context>
<context>
    <name>CNimbrelDoc</name>
    <message>
        <source>The Bluetooth engine could not be switched on.</source>
        <translation>Die Bluetooth-Steuerung konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>SDP Bluetooth profile not found</source>
        <translation>Bluetooth-Profil nicht gefunden (SDP)</translation>
    </message>
    <message>
        <source>Bluetooth is switched off: switch it on with &quot;Bluetooth On&quot; in the radio menu of the status bar.</source>
        <translation>Bluetooth ist ausgeschaltet: Schalten Sie es mit „Bluetooth ein“ im Funkmenü der Statusleiste ein.</translation>
    </message>
</context>
<context>
    <name>CNimbrelView</name>
    <message>
        <source>%1 is no longer there: the command was not run.</source>
        <translation>%1 ist nicht mehr vorhanden: Der Befehl wurde nicht ausgeführt.</translation>
    </message>
    <message>
        <source>Devices found</source>
        <translation>Gefundene Geräte</translation>
    </message>
    <message>
        <source>Local services</source>
        <translation>Lokale Dienste</translation>
    </message>
    <message>
        <source>Services of %1</source>
        <translation>Dienste von %1</translation>
    </message>
    <message>
        <source>Folder %1</source>
        <translation>Ordner %1</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Shortcuts</source>
        <translation>Verknüpfungen</translation>
    </message>
    <message>
        <source>Nothing shown</source>
        <translation>Keine Anzeige</translation>
    </message>
</context>
<context>
    <name>CObjectPushItem</name>
    <message>
        <source>Can&apos;t send a file to a remote device after remote disconnection</source>
        <translation>Die Datei kann nicht gesendet werden: Das entfernte Gerät hat die Verbindung getrennt.</translation>
    </message>
</context>
<context>
    <name>CPairingDlg</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Pairing ...</source>
        <translation>Kopplung läuft ...</translation>
    </message>
</context>
<context>
    <name>CPinDlg</name>
    <message>
        <source>Pin :</source>
        <translation>PIN:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>CProgressStatus</name>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Inquiry Running ...</source>
        <translation>Gerätesuche läuft ...</translation>
    </message>
    <message>
        <source>Connecting ...</source>
        <translation>Verbindung wird hergestellt ...</translation>
    </message>
</context>
<context>
    <name>CPropertiesDlg</name>
    <message>
        <source>Properties</source>
        <translation>Eigenschaften</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Name :</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Adress :</source>
        <translation>Adresse:</translation>
    </message>
    <message>
        <source>Class :</source>
        <translation>Geräteklasse:</translation>
    </message>
    <message>
        <source>Security</source>
        <translation>Sicherheit</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>Aktiviert</translation>
    </message>
    <message>
        <source>Authentification :</source>
        <translation>Authentifizierung:</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>Let other devices discover :</source>
        <translation>Für andere Geräte sichtbar:</translation>
    </message>
    <message>
        <source>Start with the desktop :</source>
        <translation>Mit dem Desktop starten:</translation>
    </message>
    <message>
        <source>File Transfer</source>
        <translation>Dateiübertragung</translation>
    </message>
    <message>
        <source>File Transfer Profile</source>
        <translation>Profil für Dateiübertragung</translation>
    </message>
    <message>
        <source>Download files to :</source>
        <translation>Dateien speichern in:</translation>
    </message>
    <message>
        <source>Serial Port</source>
        <translation>Serielle Schnittstelle</translation>
    </message>
    <message>
        <source>Serial port profile</source>
        <translation>Profil für serielle Schnittstelle</translation>
    </message>
    <message>
        <source>Connected on :</source>
        <translation>Verbunden über:</translation>
    </message>
</context>
<context>
    <name>CRadioSwitch</name>
    <message>
        <source>Radio: %1</source>
        <translation>Funk: %1</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keiner</translation>
    </message>
    <message>
        <source>Bluetooth On</source>
        <translation>Bluetooth ein</translation>
    </message>
    <message>
        <source>%1 (off)</source>
        <translation>%1 (aus)</translation>
    </message>
    <message>
        <source>Bluetooth is on</source>
        <translation>Bluetooth ist eingeschaltet</translation>
    </message>
    <message>
        <source>Bluetooth is off</source>
        <translation>Bluetooth ist ausgeschaltet</translation>
    </message>
    <message>
        <source>Bluetooth could not be switched on (error %1).</source>
        <translation>Bluetooth konnte nicht eingeschaltet werden (Fehler %1).</translation>
    </message>
    <message>
        <source>Bluetooth could not be switched off (error %1).</source>
        <translation>Bluetooth konnte nicht ausgeschaltet werden (Fehler %1).</translation>
    </message>
</context>
<context>
    <name>CReceiveDlg</name>
    <message>
        <source>%1 asks to browse your shared folder. Allow it?</source>
        <translation>%1 möchte Ihren freigegebenen Ordner durchsuchen. Zulassen?</translation>
    </message>
    <message>
        <source>%1 wants to send you “%2”%3. Accept it?</source>
        <translation>%1 möchte Ihnen „%2“%3 senden. Annehmen?</translation>
    </message>
    <message>
        <source>Accept</source>
        <translation>Annehmen</translation>
    </message>
    <message>
        <source>Reject</source>
        <translation>Ablehnen</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 Bytes</translation>
    </message>
</context>
<context>
    <name>CSerialServerItem</name>
    <message>
        <source>Serial Port</source>
        <translation>Serielle Schnittstelle</translation>
    </message>
    <message>
        <source>Serial Port successfully loaded on port COM%1:</source>
        <translation>Serielle Schnittstelle an Anschluss COM%1: gestartet.</translation>
    </message>
</context>
<context>
    <name>CShortcutItem</name>
    <message>
        <source>%1 on %2</source>
        <translation>%1 auf %2</translation>
    </message>
    <message>
        <source>%1 on  COM %2 %3</source>
        <translation>%1 auf %3 (COM %2)</translation>
    </message>
    <message>
        <source>Do you really want to delete this shortcut?</source>
        <translation>Möchten Sie diese Verknüpfung wirklich löschen?</translation>
    </message>
    <message>
        <source>Shortcut deleted.</source>
        <translation>Die Verknüpfung wurde gelöscht.</translation>
    </message>
</context>
<context>
    <name>CSplashDlg</name>
    <message>
        <source>Loading ...</source>
        <translation>Wird geladen ...</translation>
    </message>
    <message>
        <source>Please Wait</source>
        <translation>Bitte warten</translation>
    </message>
</context>
<context>
    <name>CTransferDlg</name>
    <message>
        <source>Transfer ...</source>
        <translation>Übertragung ...</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Transfer finished</source>
        <translation>Übertragung abgeschlossen</translation>
    </message>
    <message>
        <source>The transfer finished.</source>
        <translation>Die Übertragung ist abgeschlossen.</translation>
    </message>
    <message>
        <source>The transfer failed.</source>
        <translation>Die Übertragung ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Transfer failed</source>
        <translation>Übertragung fehlgeschlagen</translation>
    </message>
    <message>
        <source>Getting “%1” from %2</source>
        <translation>„%1“ wird von %2 geholt</translation>
    </message>
    <message>
        <source>%1: done.</source>
        <translation>%1: fertig.</translation>
    </message>
    <message>
        <source>%1: failed.</source>
        <translation>%1: fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Progress of the transfer</source>
        <translation>Fortschritt der Übertragung</translation>
    </message>
    <message>
        <source>Sending “%1” to %2</source>
        <translation>„%1“ wird an %2 gesendet</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>%1/s</source>
        <translation>%1/s</translation>
    </message>
    <message numerus="yes">
        <source>%n s left</source>
        <translation>
            <numerusform>noch %n s</numerusform>
            <numerusform>noch %n s</numerusform>
        </translation>
    </message>
    <message>
        <source>%1%</source>
        <translation>%1 %</translation>
    </message>
</context>
<context>
    <name>DesktopNotifier</name>
    <message>
        <source>Open folder</source>
        <translation>Ordner öffnen</translation>
    </message>
</context>
<context>
    <name>FileReceiver</name>
    <message>
        <source>Received “%1” (%2) from %3</source>
        <translation>„%1“ (%2) von %3 empfangen</translation>
    </message>
    <message>
        <source>Received “%1”</source>
        <translation>„%1“ empfangen</translation>
    </message>
    <message>
        <source>File received</source>
        <translation>Datei empfangen</translation>
    </message>
    <message>
        <source>Browsing not received</source>
        <translation>Durchsuchen nicht zugelassen</translation>
    </message>
    <message>
        <source>“%1” not received</source>
        <translation>„%1“ nicht empfangen</translation>
    </message>
    <message>
        <source>Browsing from %1 not received: %2</source>
        <translation>Durchsuchen durch %1 nicht zugelassen: %2</translation>
    </message>
    <message>
        <source>“%1” from %2 not received: %3</source>
        <translation>„%1“ von %2 nicht empfangen: %3</translation>
    </message>
</context>
<context>
    <name>ItemDescription</name>
    <message>
        <source>yes</source>
        <translation>ja</translation>
    </message>
    <message>
        <source>no</source>
        <translation>nein</translation>
    </message>
    <message>
        <source>Address: %1</source>
        <translation>Adresse: %1</translation>
    </message>
    <message>
        <source>Class: %1 (0x%2)</source>
        <translation>Klasse: %1 (0x%2)</translation>
    </message>
    <message>
        <source>Paired: %1</source>
        <translation>Gekoppelt: %1</translation>
    </message>
    <message>
        <source>Connected: %1</source>
        <translation>Verbunden: %1</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>COM port: COM%1</source>
        <translation>COM-Anschluss: COM%1</translation>
    </message>
    <message>
        <source>Channel: %1</source>
        <translation>Kanal: %1</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Verbunden</translation>
    </message>
    <message>
        <source>The remote side disconnected</source>
        <translation>Die Gegenseite hat die Verbindung getrennt</translation>
    </message>
</context>
<context>
    <name>TrayIcon</name>
    <message>
        <source>Show</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
</context>
<context>
    <name>autostart</name>
    <message>
        <source>%1 could not be removed.</source>
        <translation>%1 konnte nicht entfernt werden.</translation>
    </message>
    <message>
        <source>%1 could not be made.</source>
        <translation>%1 konnte nicht angelegt werden.</translation>
    </message>
    <message>
        <source>%1 could not be written: %2</source>
        <translation>%1 konnte nicht geschrieben werden: %2</translation>
    </message>
</context>
<context>
    <name>context_menus</name>
    <message>
        <source>Properties</source>
        <translation>Eigenschaften</translation>
    </message>
    <message>
        <source>Unpair</source>
        <translation>Entkoppeln</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Pair</source>
        <translation>Koppeln</translation>
    </message>
    <message>
        <source>Add file</source>
        <translation>Datei hinzufügen</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Create Shortcut</source>
        <translation>Verknüpfung erstellen</translation>
    </message>
    <message>
        <source>Get file</source>
        <translation>Datei herunterladen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <source>Push file</source>
        <translation>Datei senden</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Starten</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Anhalten</translation>
    </message>
</context>
<context>
    <name>device_class</name>
    <message>
        <source>UNKNOWN</source>
        <translation>UNBEKANNT</translation>
    </message>
    <message>
        <source>DESKTOP</source>
        <translation>DESKTOP-PC</translation>
    </message>
    <message>
        <source>LAPTOP</source>
        <translation>LAPTOP</translation>
    </message>
    <message>
        <source>PDA</source>
        <translation>PDA</translation>
    </message>
    <message>
        <source>PHONE</source>
        <translation>TELEFON</translation>
    </message>
    <message>
        <source>ACCESS POINT</source>
        <translation>ZUGANGSPUNKT</translation>
    </message>
    <message>
        <source>AUDIO</source>
        <translation>AUDIO</translation>
    </message>
</context>
<context>
    <name>nimbrel</name>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
</context>
</TS>
