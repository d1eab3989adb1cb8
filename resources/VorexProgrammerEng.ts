<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="de_DE">
<context>
    <name>Vorex</name>
    <message>
        <source>Bluetooth Verbindungsaufbau</source>
        <translation>Bluetooth connection</translation>
    </message>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>ISO15693 Modus</source>
        <translation>ISO15693 mode</translation>
    </message>
    <message>
        <source>ISO14443 (Mifare) Modus</source>
        <translation>ISO14443 (Mifare) mode</translation>
    </message>
    <message>
        <source>volle Sendeleistung</source>
        <translation>full transmit power</translation>
    </message>
    <message>
        <source>halbe Sendeleistung</source>
        <translation>half transmit power</translation>
    </message>
    <message>
        <source>Setzen</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>Schliessen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Info über Vorex Programmer</source>
        <translation>About Vorex Programmer</translation>
    </message>
    <message>
        <source>Programmierstation für 13,56 MHz RFID-Leser
© 2026 Vorex RFID</source>
        <translation>Programming station for 13.56 MHz RFID readers
© 2026 Vorex RFID</translation>
    </message>
    <message>
        <source>automatisch auf neue Version prüfen</source>
        <translation>check for new versions automatically</translation>
    </message>
    <message>
        <source>Update </source>
        <translation>Update </translation>
    </message>
    <message>
        <source>&amp;?</source>
        <translation>&amp;?</translation>
    </message>
    <message>
        <source>&amp;Beenden</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>(0 ms = Ton aus)</source>
        <translation>(0 ms = tone off)</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Baudrate</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>Demo: Simulierter Leser an %1</source>
        <translation>Demo: simulated reader on %1</translation>
    </message>
    <message>
        <source>Deutsch</source>
        <translation>German</translation>
    </message>
    <message>
        <source>Einstellungen</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Englisch</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Ethernet aktivieren</source>
        <translation>Enable Ethernet</translation>
    </message>
    <message>
        <source>Geräteadresse [dez.]</source>
        <translation>Device address [dec.]</translation>
    </message>
    <message>
        <source>HID Mode</source>
        <translation>HID Mode</translation>
    </message>
    <message>
        <source>Hilfe</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>IP ?</source>
        <translation>IP ?</translation>
    </message>
    <message>
        <source>IP-Adresse</source>
        <translation>IP address</translation>
    </message>
    <message>
        <source>ISO15693</source>
        <translation>ISO15693</translation>
    </message>
    <message>
        <source>Inf&amp;o über Programmer...</source>
        <translation>&amp;About Programmer...</translation>
    </message>
    <message>
        <source>MIFARE Ultralight®</source>
        <translation>MIFARE Ultralight®</translation>
    </message>
    <message>
        <source>MIFARE® 1K</source>
        <translation>MIFARE® 1K</translation>
    </message>
    <message>
        <source>MIFARE® 4K</source>
        <translation>MIFARE® 4K</translation>
    </message>
    <message>
        <source>NFC Type 2</source>
        <translation>NFC Type 2</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Parität</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>Schnittstelle</source>
        <translation>Interface</translation>
    </message>
    <message>
        <source>Schnittstelle auswählen</source>
        <translation>Select interface</translation>
    </message>
    <message>
        <source>Sendeleistung</source>
        <translation>Transmit power</translation>
    </message>
    <message>
        <source>Serienprogrammierung</source>
        <translation>Serial production</translation>
    </message>
    <message>
        <source>Sprachen</source>
        <translation>Languages</translation>
    </message>
    <message>
        <source>Stopbits:</source>
        <translation>Stop bits:</translation>
    </message>
    <message>
        <source>Timeout in [ms]</source>
        <translation>Timeout in [ms]</translation>
    </message>
    <message>
        <source>Tondauer</source>
        <translation>Tone duration</translation>
    </message>
    <message>
        <source>TransponderTyp</source>
        <translation>Transponder type</translation>
    </message>
    <message>
        <source>Virtual Com</source>
        <translation>Virtual Com</translation>
    </message>
    <message>
        <source>Werkseinstellung</source>
        <translation>Factory settings</translation>
    </message>
    <message>
        <source>Zyklisch Parameter</source>
        <translation>Cycle parameters</translation>
    </message>
    <message>
        <source>Zykluszeit</source>
        <translation>Cycle time</translation>
    </message>
    <message>
        <source>gerade</source>
        <translation>even</translation>
    </message>
    <message>
        <source>keine</source>
        <translation>none</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>ungerade</source>
        <translation>odd</translation>
    </message>
    <message>
        <source>Gerät:</source>
        <translation>Device:</translation>
    </message>
    <message>
        <source>Gerätepfad, z. B. /dev/serial/by-id/…</source>
        <translation>Device path, e.g. /dev/serial/by-id/…</translation>
    </message>
    <message>
        <source>Durchsuchen …</source>
        <translation>Browse …</translation>
    </message>
    <message>
        <source>Gerät auswählen</source>
        <translation>Choose device</translation>
    </message>
    <message>
        <source>%1 (nicht vorhanden)</source>
        <translation>%1 (not present)</translation>
    </message>
    <message>
        <source>Alles Lesen</source>
        <translation>Read all</translation>
    </message>
    <message>
        <source>Auswahl Lesen</source>
        <translation>Read selection</translation>
    </message>
    <message>
        <source>Seite Lesen</source>
        <translation>Read page</translation>
    </message>
    <message>
        <source>Seite Schreiben</source>
        <translation>Write page</translation>
    </message>
    <message>
        <source>Aktualisieren</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Dateiname wählen</source>
        <translation>Choose file name</translation>
    </message>
    <message>
        <source>Blöcke sperren</source>
        <translation>Lock blocks</translation>
    </message>
    <message>
        <source>Reset Status</source>
        <translation>Reset status</translation>
    </message>
    <message>
        <source>Zyklisch lesen</source>
        <translation>Read cyclically</translation>
    </message>
    <message>
        <source>HEX</source>
        <translation>HEX</translation>
    </message>
    <message>
        <source>ASCII</source>
        <translation>ASCII</translation>
    </message>
    <message>
        <source>nacheinander alle Reiter anzeigen</source>
        <translation>show all tabs in turn</translation>
    </message>
    <message>
        <source>High Data Rate</source>
        <translation>High Data Rate</translation>
    </message>
    <message>
        <source>Two Subcarrier</source>
        <translation>Two Subcarrier</translation>
    </message>
    <message>
        <source>Darstellung:</source>
        <translation>Display:</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Blockauswahl</source>
        <translation>Block selection</translation>
    </message>
    <message>
        <source>Blöcke</source>
        <translation>Blocks</translation>
    </message>
    <message>
        <source>Alle</source>
        <translation>All</translation>
    </message>
    <message>
        <source>Von</source>
        <translation>From</translation>
    </message>
    <message>
        <source>Bis</source>
        <translation>To</translation>
    </message>
    <message>
        <source>IP-Adressen</source>
        <translation>IP addresses</translation>
    </message>
    <message>
        <source>IP-Adresse ändern</source>
        <translation>Change IP address</translation>
    </message>
    <message>
        <source>LAN Einstellung</source>
        <translation>LAN settings</translation>
    </message>
    <message>
        <source>DHCP Name:</source>
        <translation>DHCP name:</translation>
    </message>
    <message>
        <source>IP-Adresse:</source>
        <translation>IP address:</translation>
    </message>
    <message>
        <source>Subnetzmaske:</source>
        <translation>Subnet mask:</translation>
    </message>
    <message>
        <source>Gateway:</source>
        <translation>Gateway:</translation>
    </message>
    <message>
        <source>IP Adresse automatisch beziehen</source>
        <translation>Obtain an IP address automatically</translation>
    </message>
    <message>
        <source>Folgende IP Adresse verwenden</source>
        <translation>Use the following IP address</translation>
    </message>
    <message>
        <source>immer neu einlesen</source>
        <translation>always read again</translation>
    </message>
    <message>
        <source>Hersteller:</source>
        <translation>Manufacturer:</translation>
    </message>
    <message>
        <source>UID:</source>
        <translation>UID:</translation>
    </message>
    <message>
        <source>Reihenfolge</source>
        <translation>Byte order</translation>
    </message>
    <message>
        <source>Darstellung</source>
        <translation>Display</translation>
    </message>
    <message>
        <source>NDEF:</source>
        <translation>NDEF:</translation>
    </message>
    <message>
        <source>Kein NDEF</source>
        <translation>No NDEF</translation>
    </message>
    <message>
        <source>NDEF beschädigt</source>
        <translation>NDEF damaged</translation>
    </message>
    <message>
        <source>Leere NDEF-Nachricht</source>
        <translation>Empty NDEF message</translation>
    </message>
    <message>
        <source>Die Seiten ab %d sind durch das Kennwort des Tags geschützt und werden nicht gelesen oder geschrieben</source>
        <translation>The pages from %d on are protected by the tag&apos;s password and are neither read nor written</translation>
    </message>
    <message>
        <source>Lesen</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Schreiben</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>MSB first</source>
        <translation>MSB first</translation>
    </message>
    <message>
        <source>LSB first</source>
        <translation>LSB first</translation>
    </message>
    <message>
        <source>Alles markieren</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>Nichts markieren</source>
        <translation>Select none</translation>
    </message>
    <message>
        <source>MIFARE® Classic 1K</source>
        <translation>MIFARE® Classic 1K</translation>
    </message>
    <message>
        <source>MIFARE® Classic 4K</source>
        <translation>MIFARE® Classic 4K</translation>
    </message>
    <message>
        <source>Sector %d</source>
        <translation>Sector %d</translation>
    </message>
    <message>
        <source>Rechte</source>
        <translation>Rights</translation>
    </message>
    <message>
        <source>Block</source>
        <translation>Block</translation>
    </message>
    <message>
        <source>Value (dezimal)</source>
        <translation>Value (decimal)</translation>
    </message>
    <message>
        <source>inc.</source>
        <translation>inc.</translation>
    </message>
    <message>
        <source>dec.</source>
        <translation>dec.</translation>
    </message>
    <message>
        <source>Key A</source>
        <translation>Key A</translation>
    </message>
    <message>
        <source>Key B</source>
        <translation>Key B</translation>
    </message>
    <message>
        <source>Keys definieren</source>
        <translation>Define keys</translation>
    </message>
    <message>
        <source>Stop bei Fehler</source>
        <translation>Stop on error</translation>
    </message>
    <message>
        <source>Authenticate mit:</source>
        <translation>Authenticate with:</translation>
    </message>
    <message>
        <source>Zugriffsrechte</source>
        <translation>Access rights</translation>
    </message>
    <message>
        <source>A</source>
        <translation>A</translation>
    </message>
    <message>
        <source>B</source>
        <translation>B</translation>
    </message>
    <message>
        <source>User Byte:</source>
        <translation>User byte:</translation>
    </message>
    <message>
        <source>Block %d: der Wert liegt nicht zwischen -2147483648 und 2147483647</source>
        <translation>Block %d: the value is not between -2147483648 and 2147483647</translation>
    </message>
    <message>
        <source>Der Sektor-Trailer (Keys und Zugriffsrechte) wird geschrieben. Falsche Keys oder Zugriffsrechte können den Sektor für immer sperren!&#xd;
Wollen Sie den Trailer wirklich schreiben?</source>
        <translation>The sector trailer (keys and access rights) will be written. Wrong keys or access rights can lock the sector for good!&#xd;
Do you really want to write the trailer?</translation>
    </message>
    <message>
        <source>Philips Standard laden</source>
        <translation>Load Philips default</translation>
    </message>
    <message>
        <source>Infineon Standard laden</source>
        <translation>Load Infineon default</translation>
    </message>
    <message>
        <source>Alle Löschen</source>
        <translation>Clear all</translation>
    </message>
    <message>
        <source>Standard laden</source>
        <translation>Load defaults</translation>
    </message>
    <message>
        <source>Standard speichern</source>
        <translation>Save defaults</translation>
    </message>
    <message>
        <source>In Gerät speichern</source>
        <translation>Store in device</translation>
    </message>
    <message>
        <source>Alle Eingaben Hexadezimal LSB first ohne Leerzeichen</source>
        <translation>All entries hexadecimal, LSB first, without blanks</translation>
    </message>
    <message>
        <source>Keys definieren (VX-B75)</source>
        <translation>Define keys (VX-B75)</translation>
    </message>
    <message>
        <source>Keys definieren (VX-B76)</source>
        <translation>Define keys (VX-B76)</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Write</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Increment</source>
        <translation>Increment</translation>
    </message>
    <message>
        <source>Decrement</source>
        <translation>Decrement</translation>
    </message>
    <message>
        <source>Read KeyA</source>
        <translation>Read KeyA</translation>
    </message>
    <message>
        <source>Write KeyA</source>
        <translation>Write KeyA</translation>
    </message>
    <message>
        <source>Read KeyB</source>
        <translation>Read KeyB</translation>
    </message>
    <message>
        <source>Write KeyB</source>
        <translation>Write KeyB</translation>
    </message>
    <message>
        <source>Read Rights</source>
        <translation>Read Rights</translation>
    </message>
    <message>
        <source>Write Rights</source>
        <translation>Write Rights</translation>
    </message>
    <message>
        <source>Statusprotokoll</source>
        <translation>Status log</translation>
    </message>
    <message>
        <source>Statuszeile</source>
        <translation>Status line</translation>
    </message>
    <message>
        <source>Transponder</source>
        <translation>Transponders</translation>
    </message>
    <message>
        <source>Fortschritt</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>Sektoren</source>
        <translation>Sectors</translation>
    </message>
    <message>
        <source>UID</source>
        <translation>UID</translation>
    </message>
    <message>
        <source>Key-Typ</source>
        <translation>Key type</translation>
    </message>
    <message>
        <source>Key-Index</source>
        <translation>Key index</translation>
    </message>
    <message>
        <source>User Byte</source>
        <translation>User byte</translation>
    </message>
    <message>
        <source>Hersteller</source>
        <translation>Manufacturer</translation>
    </message>
    <message>
        <source>Seiten</source>
        <translation>Pages</translation>
    </message>
    <message>
        <source>NDEF</source>
        <translation>NDEF</translation>
    </message>
</context>
<context>
    <name>VorexStrings</name>
    <message>
        <source>Verbindung mit %s aufbauen ... </source>
        <comment>511</comment>
        <translation>Connecting to %s ... </translation>
    </message>
    <message>
        <source>Fehler %d bei Connect &#xd;
</source>
        <comment>512</comment>
        <translation>Error %d on connect &#xd;
</translation>
    </message>
    <message>
        <source>fertig&#xd;
</source>
        <comment>514</comment>
        <translation>done&#xd;
</translation>
    </message>
    <message>
        <source>Suche Bluetooth Geräte ... </source>
        <comment>515</comment>
        <translation>Searching for Bluetooth devices ... </translation>
    </message>
    <message>
        <source>Suchen</source>
        <comment>550</comment>
        <translation>Search</translation>
    </message>
    <message>
        <source>Verbinden</source>
        <comment>563</comment>
        <translation>Connect</translation>
    </message>
    <message>
        <source>Antennenleistungseinstellung konnte nicht gelesen werden!</source>
        <comment>10136</comment>
        <translation>The antenna power setting could not be read!</translation>
    </message>
    <message>
        <source>Antennenleistung wurde erfolgreich gesetzt!</source>
        <comment>10137</comment>
        <translation>The antenna power was set successfully!</translation>
    </message>
    <message>
        <source>Antennenleistung konnte nicht gesetzt werden!</source>
        <comment>10138</comment>
        <translation>The antenna power could not be set!</translation>
    </message>
    <message>
        <source>Achtung!
Es werden alle Einstellungen mit der Werkseinstellung überschrieben!
Wirklich durchführen?</source>
        <comment>10139</comment>
        <translation>Attention!
All settings will be overwritten with the factory settings!
Really continue?</translation>
    </message>
    <message>
        <source>Wirklich die Werkseinstellungen übernehmen?</source>
        <comment>10140</comment>
        <translation>Really apply the factory settings?</translation>
    </message>
    <message>
        <source>Werkseinstellungen konnten nicht aktiviert werden!</source>
        <comment>10141</comment>
        <translation>The factory settings could not be activated!</translation>
    </message>
    <message>
        <source>Werkseinstellungen wurden aktiviert!</source>
        <comment>10142</comment>
        <translation>The factory settings have been activated!</translation>
    </message>
    <message>
        <source>Timeout&#xd;
</source>
        <comment>104</comment>
        <translation>Timeout&#xd;
</translation>
    </message>
    <message>
        <source>Fehler: Falsche Datenanzahl&#xd;
 </source>
        <comment>112</comment>
        <translation>Error: wrong data count&#xd;
 </translation>
    </message>
    <message>
        <source>Fehler. Falsche Datenanzahl gesendet&#xd;
</source>
        <comment>113</comment>
        <translation>Error: wrong data count sent&#xd;
</translation>
    </message>
    <message>
        <source>Unbekannter Fehler (%d) ist aufgetreten&#xd;
</source>
        <comment>117</comment>
        <translation>Unknown error (%d) occurred&#xd;
</translation>
    </message>
    <message>
        <source>Fehler: Collision&#xd;
</source>
        <comment>124</comment>
        <translation>Error: collision&#xd;
</translation>
    </message>
    <message>
        <source>Es ist kein Leser angeschlossen&#xd;
</source>
        <comment>129</comment>
        <translation>No reader connected&#xd;
</translation>
    </message>
    <message>
        <source>FW V%d.%02d</source>
        <comment>139</comment>
        <translation>FW V%d.%02d</translation>
    </message>
    <message>
        <source>Blocklänge ist nicht korrekt&#xd;
 </source>
        <comment>165</comment>
        <translation>Block length is not correct&#xd;
 </translation>
    </message>
    <message>
        <source>Unbekanntes Kommando&#xd;
</source>
        <comment>176</comment>
        <translation>Unknown command&#xd;
</translation>
    </message>
    <message>
        <source>Keine &quot;Value&quot; Information im Block enthalten!&#xd;
</source>
        <comment>177</comment>
        <translation>No &quot;value&quot; information in the block!&#xd;
</translation>
    </message>
    <message>
        <source>Keine Sendedaten&#xd;
</source>
        <comment>188</comment>
        <translation>No data to send&#xd;
</translation>
    </message>
    <message>
        <source>Falsche Parameter&#xd;
</source>
        <comment>189</comment>
        <translation>Wrong parameters&#xd;
</translation>
    </message>
    <message>
        <source>ISO Fehler 0x01: Kommando wird nicht unterstützt</source>
        <comment>206</comment>
        <translation>ISO error 0x01: command not supported</translation>
    </message>
    <message>
        <source>ISO Fehler 0x02: Kommando wurde nicht erkannt</source>
        <comment>207</comment>
        <translation>ISO error 0x02: command not recognised</translation>
    </message>
    <message>
        <source>ISO Fehler 0x03: Kommando Option wird nicht unterstützt</source>
        <comment>208</comment>
        <translation>ISO error 0x03: command option not supported</translation>
    </message>
    <message>
        <source>ISO Fehler 0x0F: Allgemeiner Fehler</source>
        <comment>209</comment>
        <translation>ISO error 0x0F: general error</translation>
    </message>
    <message>
        <source>ISO Fehler 0x10: Block nicht verfügbar</source>
        <comment>210</comment>
        <translation>ISO error 0x10: block not available</translation>
    </message>
    <message>
        <source>ISO Fehler 0x11: Block ist bereits gesperrt</source>
        <comment>211</comment>
        <translation>ISO error 0x11: block already locked</translation>
    </message>
    <message>
        <source>ISO Fehler 0x12: Block ist gesperrt und kann nicht geändert werden</source>
        <comment>212</comment>
        <translation>ISO error 0x12: block is locked and cannot be changed</translation>
    </message>
    <message>
        <source>ISO Fehler 0x13: Blockprogrammierung fehlgeschlagen</source>
        <comment>213</comment>
        <translation>ISO error 0x13: block programming failed</translation>
    </message>
    <message>
        <source>ISO Fehler 0x14: Sperrung des Blocks fehlgeschlagen</source>
        <comment>214</comment>
        <translation>ISO error 0x14: block locking failed</translation>
    </message>
    <message>
        <source>Fehlerlänge hat nicht die erwartete Größe</source>
        <comment>215</comment>
        <translation>Error length does not have the expected size</translation>
    </message>
    <message>
        <source>Kein gültiger Transponder vorhanden!</source>
        <comment>220</comment>
        <translation>No valid transponder present!</translation>
    </message>
    <message>
        <source>Das gewählte Gerät ist ein reiner Leser! Hier wird jedoch ein Programmer benötigt!</source>
        <comment>226</comment>
        <translation>The selected device is a reader only! A programmer is needed here!</translation>
    </message>
    <message>
        <source>ISO15693 Framing Error</source>
        <comment>231</comment>
        <translation>ISO15693 framing error</translation>
    </message>
    <message>
        <source>Authenticate fehlt</source>
        <comment>244</comment>
        <translation>Authentication missing</translation>
    </message>
    <message>
        <source>Block kann nicht geschrieben werden</source>
        <comment>245</comment>
        <translation>Block cannot be written</translation>
    </message>
    <message>
        <source>Neue Version:</source>
        <comment>600</comment>
        <translation>New version:</translation>
    </message>
    <message>
        <source> ist aktuell</source>
        <comment>601</comment>
        <translation> is up to date</translation>
    </message>
    <message>
        <source>Keine Internet Verbindung: Update Prüfung nicht möglich!</source>
        <comment>602</comment>
        <translation>No Internet connection: cannot check for updates!</translation>
    </message>
    <message>
        <source>Keine Datei gefunden: Update Prüfung nicht möglich!</source>
        <comment>603</comment>
        <translation>No file found: cannot check for updates!</translation>
    </message>
    <message>
        <source>Update wird gestartet, bitte warten!</source>
        <comment>604</comment>
        <translation>Starting the update, please wait!</translation>
    </message>
    <message>
        <source>Nicht genügend Systemresourcen vorhanden!</source>
        <comment>10000</comment>
        <translation>Not enough system resources available!</translation>
    </message>
    <message>
        <source>Zur Anzeige der Hilfe wird ein PDF-Betrachter benötigt.
Bitte installieren Sie einen über die Paketverwaltung Ihres Systems, zum Beispiel mit:
sudo apt install evince</source>
        <comment>10001</comment>
        <translation>A PDF viewer is needed to show the help.
Please install one with your system's package manager, for example with:
sudo apt install evince</translation>
    </message>
    <message>
        <source>Unbekannter Fehler %d</source>
        <comment>10002</comment>
        <translation>Unknown error %d</translation>
    </message>
    <message>
        <source>%s konnte nicht geöffnet werden. Bitte prüfen sie, ob diese Schnittstelle bereits von einem anderen Programm belegt wird!</source>
        <comment>10012</comment>
        <translation>%s could not be opened. Please check whether this interface is already in use by another program!</translation>
    </message>
    <message>
        <source>Verbindung zum Gerät konnte nicht hergestellt werden!
Bei USB Geräten bitte Kabellänge prüfen (max. 4,5 m)</source>
        <comment>10023</comment>
        <translation>Could not connect to the device!
For USB devices please check the cable length (max. 4.5 m)</translation>
    </message>
    <message>
        <source>Fehler beim Baudrate setzen</source>
        <comment>10047</comment>
        <translation>Error setting the baud rate</translation>
    </message>
    <message>
        <source>Die Sprachinformationen konnten nicht geladen werden!&#xd;
Standardsprache Deutsch wird geladen!</source>
        <comment>10075</comment>
        <translation>The language information could not be loaded!&#xd;
The default language German is loaded!</translation>
    </message>
    <message>
        <source>Schnittstelle zum Gerät einstellen
Schnittstelle</source>
        <comment>32778</comment>
        <translation>Set the interface to the device
Interface</translation>
    </message>
    <message>
        <source>Tondauer und Zykluszeit einstellen
Zyklisch Parameter</source>
        <comment>32780</comment>
        <translation>Set tone duration and cycle time
Cycle parameters</translation>
    </message>
    <message>
        <source>Deutsche Benutzeroberfläche
Deutsch</source>
        <comment>32781</comment>
        <translation>German user interface
German</translation>
    </message>
    <message>
        <source>Englische Benutzeroberfläche
Englisch</source>
        <comment>32782</comment>
        <translation>English user interface
English</translation>
    </message>
    <message>
        <source>Netzwerkeinstellungen des Geräts ändern
IP-Adresse</source>
        <comment>32864</comment>
        <translation>Change the network settings of the device
IP address</translation>
    </message>
    <message>
        <source>ISO15693 Transponder lesen und schreiben
ISO15693</source>
        <comment>40001</comment>
        <translation>Read and write ISO15693 transponders
ISO15693</translation>
    </message>
    <message>
        <source>MIFARE 1K Karten lesen und schreiben
MIFARE 1K</source>
        <comment>40002</comment>
        <translation>Read and write MIFARE 1K cards
MIFARE 1K</translation>
    </message>
    <message>
        <source>MIFARE 4K Karten lesen und schreiben
MIFARE 4K</source>
        <comment>40003</comment>
        <translation>Read and write MIFARE 4K cards
MIFARE 4K</translation>
    </message>
    <message>
        <source>MIFARE Ultralight Transponder lesen und schreiben
MIFARE Ultralight</source>
        <comment>40004</comment>
        <translation>Read and write MIFARE Ultralight transponders
MIFARE Ultralight</translation>
    </message>
    <message>
        <source>NFC Type 2 Transponder lesen und schreiben
NFC Type 2</source>
        <comment>40005</comment>
        <translation>Read and write NFC Type 2 transponders
NFC Type 2</translation>
    </message>
    <message>
        <source>Sendeleistung des Geräts einstellen
Sendeleistung</source>
        <comment>40006</comment>
        <translation>Set the transmit power of the device
Transmit power</translation>
    </message>
    <message>
        <source>Gerät auf Werkseinstellung zurücksetzen
Werkseinstellung</source>
        <comment>40007</comment>
        <translation>Reset the device to factory settings
Factory settings</translation>
    </message>
    <message>
        <source>Vorex Programmer</source>
        <comment>57344</comment>
        <translation>Vorex Programmer</translation>
    </message>
    <message>
        <source>Drücken Sie F1, um die Hilfefunktion zu aktivieren
Bereit</source>
        <comment>57345</comment>
        <translation>Press F1 to activate the help
Ready</translation>
    </message>
    <message>
        <source>Programminformationen, Versionsnummer und Copyright anzeigen
Info</source>
        <comment>57664</comment>
        <translation>Show program information, version number and copyright
About</translation>
    </message>
    <message>
        <source>Programm beenden
Beenden</source>
        <comment>57665</comment>
        <translation>Quit the program
Exit</translation>
    </message>
    <message>
        <source>Bedienungsanleitung öffnen
Hilfe</source>
        <comment>57670</comment>
        <translation>Open the operating manual
Help</translation>
    </message>
    <message>
        <source>Geben Sie eine ganze Zahl ein.</source>
        <comment>61712</comment>
        <translation>Please enter an integer.</translation>
    </message>
    <message>
        <source>Geben Sie eine ganze Zahl zwischen %1 und %2 ein.</source>
        <comment>61714</comment>
        <translation>Please enter an integer between %1 and %2.</translation>
    </message>
    <message>
        <source>Geben Sie eine positive ganze Zahl ein.</source>
        <comment>61719</comment>
        <translation>Please enter a positive integer.</translation>
    </message>
    <message>
        <source>Eingabe hat kein HEX-Format&#xd;
</source>
        <comment>138</comment>
        <translation>Input is not in HEX format&#xd;
</translation>
    </message>
    <message>
        <source>Zeile zu lang, Eingabe wurde gekürzt&#xd;
</source>
        <comment>162</comment>
        <translation>Line too long, input was shortened&#xd;
</translation>
    </message>
    <message>
        <source>%d Transponder gefunden</source>
        <comment>163</comment>
        <translation>%d transponders found</translation>
    </message>
    <message>
        <source>Bitte wählen Sie eine Zeile aus</source>
        <comment>198</comment>
        <translation>Please select a row</translation>
    </message>
    <message>
        <source>Schreibvorgang erfolgreich beendet</source>
        <comment>199</comment>
        <translation>Writing completed successfully</translation>
    </message>
    <message>
        <source>BlockNr</source>
        <comment>200</comment>
        <translation>Block no.</translation>
    </message>
    <message>
        <source>Daten</source>
        <comment>201</comment>
        <translation>Data</translation>
    </message>
    <message>
        <source>TagIt HF-I</source>
        <comment>202</comment>
        <translation>TagIt HF-I</translation>
    </message>
    <message>
        <source>My-D</source>
        <comment>203</comment>
        <translation>My-D</translation>
    </message>
    <message>
        <source>ICode SL2</source>
        <comment>204</comment>
        <translation>ICode SL2</translation>
    </message>
    <message>
        <source>Unknown: %d</source>
        <comment>205</comment>
        <translation>Unknown: %d</translation>
    </message>
    <message>
        <source>Das Sperren von  Blöcken kann nicht&#xd;
rückgängig gemacht werden!&#xd;
Wollen sie die Blöcke wirklich sperren?</source>
        <comment>216</comment>
        <translation>Locking blocks cannot&#xd;
be undone!&#xd;
Do you really want to lock the blocks?</translation>
    </message>
    <message>
        <source>Schreiben in Block %d fehlgeschlagen. Schreib - Lese - Vergleich!</source>
        <comment>218</comment>
        <translation>Writing block %d failed. Write - read - compare!</translation>
    </message>
    <message>
        <source>EM</source>
        <comment>219</comment>
        <translation>EM</translation>
    </message>
    <message>
        <source>STM</source>
        <comment>221</comment>
        <translation>STM</translation>
    </message>
    <message>
        <source>Fujitsu</source>
        <comment>222</comment>
        <translation>Fujitsu</translation>
    </message>
    <message>
        <source>KSW</source>
        <comment>223</comment>
        <translation>KSW</translation>
    </message>
    <message>
        <source>Die Service Blöcke 0 bis 2 sind nicht beschreibbar.</source>
        <comment>225</comment>
        <translation>The service blocks 0 to 2 cannot be written.</translation>
    </message>
    <message>
        <source>TagIt HF-I Pro</source>
        <comment>233</comment>
        <translation>TagIt HF-I Pro</translation>
    </message>
    <message>
        <source>TagIt HF-I Plus</source>
        <comment>234</comment>
        <translation>TagIt HF-I Plus</translation>
    </message>
    <message>
        <source>ICode SL2 ICS20</source>
        <comment>235</comment>
        <translation>ICode SL2 ICS20</translation>
    </message>
    <message>
        <source>ICode SL2 ICS53</source>
        <comment>236</comment>
        <translation>ICode SL2 ICS53</translation>
    </message>
    <message>
        <source>ICode SL2 ICS50</source>
        <comment>237</comment>
        <translation>ICode SL2 ICS50</translation>
    </message>
    <message>
        <source>MIFARE® 1K Chip gefunden</source>
        <comment>238</comment>
        <translation>MIFARE® 1K chip found</translation>
    </message>
    <message>
        <source>MIFARE® 4K Chip gefunden</source>
        <comment>239</comment>
        <translation>MIFARE® 4K chip found</translation>
    </message>
    <message>
        <source>Unbekannter MIFARE® Chip (%02x) gefunden</source>
        <comment>241</comment>
        <translation>Unknown MIFARE® chip (%02x) found</translation>
    </message>
    <message>
        <source>Page %d hat falsche Datenlänge %d</source>
        <comment>242</comment>
        <translation>Page %d has wrong data length %d</translation>
    </message>
    <message>
        <source>SIC</source>
        <comment>243</comment>
        <translation>SIC</translation>
    </message>
    <message>
        <source>ICode SLIX S20</source>
        <comment>246</comment>
        <translation>ICode SLIX S20</translation>
    </message>
    <message>
        <source>ICode SLIX2 S26</source>
        <comment>247</comment>
        <translation>ICode SLIX2 S26</translation>
    </message>
    <message>
        <source>ICode SLIX S53</source>
        <comment>248</comment>
        <translation>ICode SLIX S53</translation>
    </message>
    <message>
        <source>ICode SLIX S50</source>
        <comment>249</comment>
        <translation>ICode SLIX S50</translation>
    </message>
    <message>
        <source>Gültige IP Adresse eingeben!</source>
        <comment>10128</comment>
        <translation>Enter a valid IP address!</translation>
    </message>
    <message>
        <source>Liste aller gefundenen IP-Adressen</source>
        <comment>10129</comment>
        <translation>List of all IP addresses found</translation>
    </message>
    <message>
        <source>IP-Adresse, Subnetzmaske oder Gateway konnte nicht gesetzt werden!</source>
        <comment>10130</comment>
        <translation>IP address, subnet mask or gateway could not be set!</translation>
    </message>
    <message>
        <source>Keine Geräte gefunden!
Bitte prüfen Sie die Firewall-Einstellungen!
Evtl. muss das Programm manuell in der Firewall freigegeben werden.</source>
        <comment>10131</comment>
        <translation>No devices found!
Please check the firewall settings!
The program may have to be allowed through the firewall manually.</translation>
    </message>
    <message>
        <source>Suche Leser an %1, %2 Baud …</source>
        <comment>12000</comment>
        <translation>Looking for the reader on %1, %2 baud …</translation>
    </message>
    <message>
        <source>https://www.vorex-rfid.example/treiber/</source>
        <comment>10132</comment>
        <translation>https://www.vorex-rfid.example/treiber/</translation>
    </message>
    <message>
        <source>Kein Nvk USB Treiber für VX-A71/B71 installiert!</source>
        <comment>10133</comment>
        <translation>No Nvk USB driver installed for VX-A71/B71!</translation>
    </message>
    <message>
        <source>Kein Nvk USB Treiber für VX-A75/B75 VCOM installiert!</source>
        <comment>10134</comment>
        <translation>No Nvk USB driver installed for VX-A75/B75 VCOM!</translation>
    </message>
    <message>
        <source>Treiber laden und installieren?</source>
        <comment>10135</comment>
        <translation>Download and install the driver?</translation>
    </message>
    <message>
        <source>Suche Leser an %1 …</source>
        <comment>12001</comment>
        <translation>Looking for the reader on %1 …</translation>
    </message>
    <message>
        <source>Keine Schnittstelle gewählt: bitte unter Einstellungen &gt; Schnittstelle den Leser auswählen.</source>
        <comment>12002</comment>
        <translation>No interface chosen: please choose the reader under Settings &gt; Interface.</translation>
    </message>
    <message>
        <source>Leser %1 an %2 erkannt.</source>
        <comment>12003</comment>
        <translation>Reader %1 found on %2.</translation>
    </message>
    <message>
        <source>Kein Leser an %1 gefunden: keine Antwort auf die Kennungsabfrage innerhalb von %2 ms.</source>
        <comment>12004</comment>
        <translation>No reader found on %1: no answer to the identification within %2 ms.</translation>
    </message>
    <message>
        <source>Bitte prüfen Sie Kabel und Stromversorgung des Lesers und die Einstellungen unter Einstellungen &gt; Schnittstelle.</source>
        <comment>12005</comment>
        <translation>Please check the reader's cable and power supply and the settings under Settings &gt; Interface.</translation>
    </message>
    <message>
        <source>Kein Leser an %1 gefunden: keine Antwort auf die Kennungsabfrage innerhalb von %2 ms, bei keiner Baudrate von 2400 bis 115200.</source>
        <comment>12006</comment>
        <translation>No reader found on %1: no answer to the identification within %2 ms at any baud rate from 2400 to 115200.</translation>
    </message>
    <message>
        <source>Der Leser an %1 antwortet nicht mehr (Zeitüberschreitung bei der Kennungsabfrage).</source>
        <comment>12007</comment>
        <translation>The reader on %1 no longer answers (timeout of the identification).</translation>
    </message>
    <message>
        <source>Suche nach dem Leser abgebrochen.</source>
        <comment>12008</comment>
        <translation>Search for the reader cancelled.</translation>
    </message>
    <message>
        <source>MIFARE® Authenticate nicht möglich! Der richtige Key ist nicht im Chip gespeichert.</source>
        <comment>232</comment>
        <translation>MIFARE® authentication not possible! The right key is not stored in the chip.</translation>
    </message>
    <message>
        <source>MIFARE Ultralight® gefunden</source>
        <comment>240</comment>
        <translation>MIFARE Ultralight® found</translation>
    </message>
    <message>
        <source>Nichts geschrieben: der Transponder %1, dessen Daten angezeigt werden, ist nicht im Feld.</source>
        <comment>12300</comment>
        <translation>Nothing written: the tag %1 whose data are shown is not in the field.</translation>
    </message>
    <message>
        <source>Nichts geschrieben: im Feld ist %2, angezeigt werden aber die Daten von %1. Bitte %1 auflegen oder %2 neu lesen.</source>
        <comment>12301</comment>
        <translation>Nothing written: %2 is in the field, but the data shown belong to %1. Put %1 on the reader or read %2 first.</translation>
    </message>
    <message>
        <source>Nichts geschrieben: kein Transponder im Feld.</source>
        <comment>12302</comment>
        <translation>Nothing written: no tag in the field.</translation>
    </message>
    <message>
        <source>Block %1 schreiben: %2</source>
        <comment>12303</comment>
        <translation>Write block %1: %2</translation>
    </message>
    <message>
        <source>Page %1 schreiben: %2</source>
        <comment>12304</comment>
        <translation>Write page %1: %2</translation>
    </message>
    <message>
        <source>Schreiben fehlgeschlagen: %1 von %2 Blöcken wurden nicht geschrieben.
%3</source>
        <comment>12305</comment>
        <translation>Write failed: %1 of %2 blocks were not written.
%3</translation>
    </message>
    <message>
        <source>Schreiben fehlgeschlagen: %1 von %2 Pages wurden nicht geschrieben.
%3</source>
        <comment>12306</comment>
        <translation>Write failed: %1 of %2 pages were not written.
%3</translation>
    </message>
    <message>
        <source>Block %1 wurde geändert und noch nicht geschrieben. Die Änderung verwerfen?</source>
        <comment>12307</comment>
        <translation>Block %1 was changed and has not been written. Discard the change?</translation>
    </message>
    <message>
        <source>%1 Blöcke (%2) wurden geändert und noch nicht geschrieben. Die Änderungen verwerfen?</source>
        <comment>12308</comment>
        <translation>%1 blocks (%2) were changed and have not been written. Discard the changes?</translation>
    </message>
    <message>
        <source>Page %1 wurde geändert und noch nicht geschrieben. Die Änderung verwerfen?</source>
        <comment>12309</comment>
        <translation>Page %1 was changed and has not been written. Discard the change?</translation>
    </message>
    <message>
        <source>%1 Pages (%2) wurden geändert und noch nicht geschrieben. Die Änderungen verwerfen?</source>
        <comment>12310</comment>
        <translation>%1 pages (%2) were changed and have not been written. Discard the changes?</translation>
    </message>
    <message>
        <source>Das Zeichen „%1“ (%2, Stelle %3) hat keinen Ein-Byte-Code (ISO 8859-1) und kann nicht geschrieben werden. Nichts wurde geschrieben.</source>
        <comment>12311</comment>
        <translation>The character “%1” (%2, position %3) has no single-byte code (ISO 8859-1) and cannot be written. Nothing was written.</translation>
    </message>
    <message>
        <source>Trailer nicht geschrieben: %1 für Sektor %2 fehlt. Bitte 12 Hex-Ziffern eingeben.</source>
        <comment>12312</comment>
        <translation>Trailer not written: %1 for sector %2 is missing. Please enter 12 hex digits.</translation>
    </message>
    <message>
        <source>Trailer nicht geschrieben: %1 für Sektor %2 besteht nicht aus 12 Hex-Ziffern („%3“).</source>
        <comment>12313</comment>
        <translation>Trailer not written: %1 for sector %2 is not 12 hex digits (“%3”).</translation>
    </message>
    <message>
        <source>Trailer nicht geschrieben: die Zugriffsbedingungen für Sektor %1 sind nicht gewählt.</source>
        <comment>12314</comment>
        <translation>Trailer not written: the access conditions for sector %1 are not chosen.</translation>
    </message>
    <message>
        <source>Sektor %1: der Trailer (Block %2) wird mit diesen Daten geschrieben:
%3</source>
        <comment>12315</comment>
        <translation>Sector %1: the trailer (block %2) is written with these data:
%3</translation>
    </message>
    <message>
        <source>Block %1: Lesen %2, Schreiben %3, Inkrement %4, Dekrement %5</source>
        <comment>12316</comment>
        <translation>Block %1: read %2, write %3, increment %4, decrement %5</translation>
    </message>
    <message>
        <source>Trailer: Key A lesen %1, Key A schreiben %2, Key B lesen %3, Key B schreiben %4, Zugriffsbits lesen %5, Zugriffsbits schreiben %6</source>
        <comment>12317</comment>
        <translation>Trailer: read Key A %1, write Key A %2, read Key B %3, write Key B %4, read access bits %5, write access bits %6</translation>
    </message>
    <message>
        <source>Achtung: mit diesen Zugriffsbits kann %1 nie mehr geändert werden!</source>
        <comment>12318</comment>
        <translation>Warning: with these access bits %1 can never be changed again!</translation>
    </message>
    <message>
        <source>Achtung: mit diesen Zugriffsbits können die Zugriffsbits nie mehr geändert werden!</source>
        <comment>12319</comment>
        <translation>Warning: with these access bits the access bits can never be changed again!</translation>
    </message>
    <message>
        <source>Falsche Keys oder Zugriffsrechte können den Sektor für immer sperren. Wollen Sie den Trailer wirklich schreiben?</source>
        <comment>12320</comment>
        <translation>Wrong keys or access rights can lock the sector for good. Do you really want to write the trailer?</translation>
    </message>
    <message>
        <source>Der Ordner %1 für die Protokolldatei kann nicht angelegt werden: %2</source>
        <comment>12321</comment>
        <translation>The folder %1 for the log file cannot be created: %2</translation>
    </message>
    <message>
        <source>Die Protokolldatei %1 kann nicht angelegt oder geöffnet werden: %2. Es wird nicht protokolliert.</source>
        <comment>12322</comment>
        <translation>The log file %1 cannot be created or opened: %2. Nothing is logged.</translation>
    </message>
    <message>
        <source>In die Protokolldatei %1 kann nicht geschrieben werden: %2</source>
        <comment>12323</comment>
        <translation>The log file %1 cannot be written: %2</translation>
    </message>
    <message>
        <source>Kein Ordner für die Protokolldatei: weder XDG_DATA_HOME noch HOME ist gesetzt.</source>
        <comment>12324</comment>
        <translation>No folder for the log file: neither XDG_DATA_HOME nor HOME is set.</translation>
    </message>
    <message>
        <source>Lesen abgebrochen: %1 von %2 Blöcken wurden gelesen.</source>
        <comment>12400</comment>
        <translation>Read cancelled: %1 of %2 blocks were read.</translation>
    </message>
    <message>
        <source>Schreiben abgebrochen: %1 von %2 geänderten Blöcken wurden versucht, die übrigen bleiben markiert.</source>
        <comment>12401</comment>
        <translation>Write cancelled: %1 of %2 changed blocks were tried, the others stay marked.</translation>
    </message>
    <message>
        <source>%1 Transponder antworten nur mit einem Unterträger (%2): zum Lesen „Two Subcarrier“ abwählen.</source>
        <comment>12402</comment>
        <translation>%1 transponders answer only with one subcarrier (%2): untick “Two Subcarrier” to read them.</translation>
    </message>
    <message>
        <source>falsche Datenlänge %1</source>
        <comment>12600</comment>
        <translation>wrong data length %1</translation>
    </message>
    <message>
        <source>die gelesenen Daten stimmen nach dem Schreiben nicht mit den geschriebenen überein</source>
        <comment>12601</comment>
        <translation>the data read back after the write differs from the data written</translation>
    </message>
    <message>
        <source>nicht versucht: das Schreiben wurde nach dem Fehler bei Page %1 beendet</source>
        <comment>12602</comment>
        <translation>not tried: writing stopped after the failure at page %1</translation>
    </message>
    <message>
        <source>Der Tag %1 ist nicht mehr im Feld. Seine ungeschriebenen Änderungen bleiben stehen.</source>
        <comment>12603</comment>
        <translation>Tag %1 is no longer in the field. Its unwritten changes are kept.</translation>
    </message>
    <message>
        <source>Im Feld ist jetzt %2. Die ungeschriebenen Änderungen an %1 bleiben stehen; %2 wird nicht gelesen.</source>
        <comment>12604</comment>
        <translation>%2 is in the field now. The unwritten changes of %1 are kept; %2 is not read.</translation>
    </message>
    <message>
        <source>Page %1 lesen: %2</source>
        <comment>12605</comment>
        <translation>Reading page %1: %2</translation>
    </message>
    <message>
        <source>Demo-Feld</source>
        <comment>12606</comment>
        <translation>Demo field</translation>
    </message>
    <message>
        <source>Karte %1</source>
        <comment>12607</comment>
        <translation>Card %1</translation>
    </message>
    <message>
        <source>Keine Karte</source>
        <comment>12608</comment>
        <translation>No card</translation>
    </message>
    <message>
        <source>ISO-15693-Tags: %1</source>
        <comment>12609</comment>
        <translation>ISO 15693 tags: %1</translation>
    </message>
    <message>
        <source>keine NDEF-Kennung (Capability Container) in Page %1</source>
        <comment>12610</comment>
        <translation>no NDEF capability container in page %1</translation>
    </message>
    <message>
        <source>keine NDEF-Nachricht im Datenbereich</source>
        <comment>12611</comment>
        <translation>no NDEF message in the data area</translation>
    </message>
    <message>
        <source>dem TLV bei Byte %1 fehlt die Länge</source>
        <comment>12612</comment>
        <translation>the TLV at byte %1 has no length</translation>
    </message>
    <message>
        <source>das TLV bei Byte %1 (%2 Bytes) reicht über den gelesenen Speicher hinaus</source>
        <comment>12613</comment>
        <translation>the TLV at byte %1 (%2 bytes) runs past the memory read</translation>
    </message>
    <message>
        <source>Datensatz %1: das Message-Begin-Bit ist falsch</source>
        <comment>12614</comment>
        <translation>record %1: the message-begin flag is wrong</translation>
    </message>
    <message>
        <source>Datensatz %1: der Kopf reicht über die Nachricht hinaus</source>
        <comment>12615</comment>
        <translation>record %1: the header runs past the message</translation>
    </message>
    <message>
        <source>Datensatz %1: Typ, ID und Nutzdaten (%2 Bytes) reichen über die Nachricht hinaus (%3 Bytes übrig)</source>
        <comment>12616</comment>
        <translation>record %1: type, id and payload (%2 bytes) run past the message (%3 bytes left)</translation>
    </message>
    <message>
        <source>Datensatz %1: Text-Datensatz ohne Statusbyte</source>
        <comment>12617</comment>
        <translation>record %1: Text record without its status byte</translation>
    </message>
    <message>
        <source>Datensatz %1: der Sprachcode des Text-Datensatzes ist länger als seine Nutzdaten</source>
        <comment>12618</comment>
        <translation>record %1: the Text record&apos;s language code is longer than its payload</translation>
    </message>
    <message>
        <source>die Nachricht endet ohne ihren letzten Datensatz</source>
        <comment>12619</comment>
        <translation>the message ends without its last record</translation>
    </message>
    <message>
        <source>Page %1: das Zeichen „%2“ (%3) hat keinen Ein-Byte-Code (ISO 8859-1). Die Darstellung bleibt ASCII, bis es ersetzt ist.</source>
        <comment>12620</comment>
        <translation>Page %1: the character “%2” (%3) has no single-byte code (ISO 8859-1). The display stays ASCII until it is replaced.</translation>
    </message>
    <message>
        <source>Nichts zu speichern: die Workbench zeigt noch keine Daten. Bitte zuerst lesen.</source>
        <comment>12800</comment>
        <translation>Nothing to save: the workbench shows no data yet. Please read first.</translation>
    </message>
    <message>
        <source>Keine Datei geladen: die Workbench zeigt noch keinen Tag. Bitte zuerst lesen; die Datei wird gegen den gezeigten Tag geprüft.</source>
        <comment>12801</comment>
        <translation>No file loaded: the workbench shows no tag yet. Please read first; the file is checked against the tag shown.</translation>
    </message>
    <message>
        <source>%1 Bytes sind unbekannt (nicht gelesen), und das Format %2 kann sie nicht kennzeichnen. Sollen sie als 00 gespeichert werden?</source>
        <comment>12802</comment>
        <translation>%1 bytes are unknown (not read), and the %2 format cannot mark them. Save them as 00?</translation>
    </message>
    <message>
        <source>Nicht gespeichert.</source>
        <comment>12803</comment>
        <translation>Not saved.</translation>
    </message>
    <message>
        <source>%1 wurde nicht gespeichert: %2</source>
        <comment>12804</comment>
        <translation>%1 was not saved: %2</translation>
    </message>
    <message>
        <source>Gespeichert in %1 (%2).</source>
        <comment>12805</comment>
        <translation>Saved to %1 (%2).</translation>
    </message>
    <message>
        <source>%1 unbekannte Bytes wurden als 00 gespeichert.</source>
        <comment>12806</comment>
        <translation>%1 unknown bytes were saved as 00.</translation>
    </message>
    <message>
        <source>%1 wurde nicht geladen: %2</source>
        <comment>12807</comment>
        <translation>%1 was not loaded: %2</translation>
    </message>
    <message>
        <source>%1 wurde nicht geladen: die Datei enthält %2, die Workbench zeigt %3.</source>
        <comment>12808</comment>
        <translation>%1 was not loaded: the file holds %2, the workbench shows %3.</translation>
    </message>
    <message>
        <source>%1 geladen: %2 Blöcke/Seiten gelb markiert, noch nicht geschrieben (Schreiben schreibt sie).</source>
        <comment>12809</comment>
        <translation>%1 loaded: %2 blocks/pages marked yellow, not yet written (Write writes them).</translation>
    </message>
    <message>
        <source>Nicht geladen, die Datei kennt nicht alle Bytes: %1</source>
        <comment>12810</comment>
        <translation>Not loaded, the file does not know all bytes: %1</translation>
    </message>
    <message>
        <source>Nicht geladen, hier nie geschrieben: %1</source>
        <comment>12811</comment>
        <translation>Not loaded, never written here: %1</translation>
    </message>
    <message>
        <source>Während des zyklischen Lesens wird keine Datei geladen.</source>
        <comment>12812</comment>
        <translation>No file is loaded while reading cyclically.</translation>
    </message>
    <message>
        <source>Binär</source>
        <comment>12813</comment>
        <translation>Binary</translation>
    </message>
    <message>
        <source>Vorex-Dump</source>
        <comment>12814</comment>
        <translation>Vorex dump</translation>
    </message>
    <message>
        <source>Alle Dateien</source>
        <comment>12815</comment>
        <translation>All files</translation>
    </message>
    <message>
        <source>Speichern…</source>
        <comment>12816</comment>
        <translation>Save…</translation>
    </message>
    <message>
        <source>Laden…</source>
        <comment>12817</comment>
        <translation>Load…</translation>
    </message>
    <message>
        <source>Dateien werden nur in der Darstellung HEX gespeichert und geladen: ASCII zeigt nicht jedes Byte.</source>
        <comment>12818</comment>
        <translation>Files are saved and loaded only in the HEX display: ASCII does not show every byte.</translation>
    </message>
    <message>
        <source>keine Daten (die Zeile ist leer)</source>
        <comment>12500</comment>
        <translation>no data (the row is empty)</translation>
    </message>
    <message>
        <source>der Wert %1 liegt nicht zwischen -2147483648 und 2147483647</source>
        <comment>12501</comment>
        <translation>the value %1 is not between -2147483648 and 2147483647</translation>
    </message>
    <message>
        <source>%1 Keys im Gerät gespeichert.</source>
        <comment>12502</comment>
        <translation>%1 keys stored in the reader.</translation>
    </message>
    <message>
        <source>%1 %2 wurde nicht im Gerät gespeichert: %3 Die Keys danach wurden nicht gesendet.</source>
        <comment>12503</comment>
        <translation>%1 %2 was not stored in the reader: %3 The keys after it were not sent.</translation>
    </message>
    <message>
        <source>Keine Keys eingegeben: nichts wurde im Gerät gespeichert.</source>
        <comment>12504</comment>
        <translation>No keys entered: nothing was stored in the reader.</translation>
    </message>
    <message>
        <source>Alle Sektoren lesen</source>
        <comment>12505</comment>
        <translation>Read all sectors</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <comment>12506</comment>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Karte %1: %2 von %3 Sektoren gelesen.</source>
        <comment>12507</comment>
        <translation>Card %1: %2 of %3 sectors read.</translation>
    </message>
    <message>
        <source>Lesen aller Sektoren abgebrochen: %1 von %2 Sektoren gelesen.</source>
        <comment>12508</comment>
        <translation>Reading all sectors cancelled: %1 of %2 sectors read.</translation>
    </message>
    <message>
        <source>Lesen aller Sektoren in Sektor %1 beendet: %2</source>
        <comment>12509</comment>
        <translation>Reading all sectors stopped in sector %1: %2</translation>
    </message>
    <message>
        <source>die Karte hat das Feld verlassen</source>
        <comment>12510</comment>
        <translation>the card left the field</translation>
    </message>
    <message>
        <source>Sektor %1: gelesen mit %2</source>
        <comment>12511</comment>
        <translation>Sector %1: read with %2</translation>
    </message>
    <message>
        <source>Sektor %1: gelesen mit %2, nicht lesbar: Block %3</source>
        <comment>12512</comment>
        <translation>Sector %1: read with %2, not readable: block %3</translation>
    </message>
    <message>
        <source>Sektor %1: kein Key des Geräts öffnet diesen Sektor</source>
        <comment>12513</comment>
        <translation>Sector %1: no key of the reader opens this sector</translation>
    </message>
    <message>
        <source>Sektor %1: nicht gelesen</source>
        <comment>12514</comment>
        <translation>Sector %1: not read</translation>
    </message>
    <message>
        <source>Block %1: %2</source>
        <comment>12515</comment>
        <translation>Block %1: %2</translation>
    </message>
    <message>
        <source>Block %1: Wert um 1 erhöht</source>
        <comment>12516</comment>
        <translation>Block %1: value incremented by 1</translation>
    </message>
    <message>
        <source>Block %1: Wert um 1 vermindert</source>
        <comment>12517</comment>
        <translation>Block %1: value decremented by 1</translation>
    </message>
    <message>
        <source>Block %1: die Zugriffsbedingungen des Sektors erlauben %2 das Lesen nicht</source>
        <comment>12518</comment>
        <translation>Block %1: the sector's access conditions do not let %2 read it</translation>
    </message>
    <message>
        <source>Bekannte Keys übernehmen</source>
        <comment>12519</comment>
        <translation>Take known keys</translation>
    </message>
    <message>
        <source>Serienprogrammierung: einen Auftrag auf eine Folge von Tags schreiben, prüfen, sperren und protokollieren
Serienprogrammierung</source>
        <comment>12700</comment>
        <translation>Serial production: write, verify, lock and record a job on a series of tags
Serial production</translation>
    </message>
    <message>
        <source>Serienprogrammierung</source>
        <comment>12701</comment>
        <translation>Serial production</translation>
    </message>
    <message>
        <source>Auftrag:</source>
        <comment>12702</comment>
        <translation>Job:</translation>
    </message>
    <message>
        <source>Auftrag laden...</source>
        <comment>12703</comment>
        <translation>Load job...</translation>
    </message>
    <message>
        <source>Datenbank:</source>
        <comment>12704</comment>
        <translation>Database:</translation>
    </message>
    <message>
        <source>leer: eingebettete Datenbank; oder postgresql://...</source>
        <comment>12705</comment>
        <translation>empty: embedded database; or postgresql://...</translation>
    </message>
    <message>
        <source>Station:</source>
        <comment>12706</comment>
        <translation>Station:</translation>
    </message>
    <message>
        <source>Start</source>
        <comment>12707</comment>
        <translation>Start</translation>
    </message>
    <message>
        <source>Stopp</source>
        <comment>12708</comment>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Letzte UID:</source>
        <comment>12709</comment>
        <translation>Last UID:</translation>
    </message>
    <message>
        <source>Letzte Seriennummer:</source>
        <comment>12710</comment>
        <translation>Last serial number:</translation>
    </message>
    <message>
        <source>Aufträge</source>
        <comment>12711</comment>
        <translation>Jobs</translation>
    </message>
    <message>
        <source>Bestanden</source>
        <comment>12712</comment>
        <translation>Passed</translation>
    </message>
    <message>
        <source>Ungültig</source>
        <comment>12713</comment>
        <translation>Void</translation>
    </message>
    <message>
        <source>Abgewiesen</source>
        <comment>12714</comment>
        <translation>Refused</translation>
    </message>
    <message>
        <source>Kein Ordner für die eingebettete Datenbank: weder XDG_DATA_HOME noch HOME ist gesetzt.</source>
        <comment>12715</comment>
        <translation>No folder for the embedded database: neither XDG_DATA_HOME nor HOME is set.</translation>
    </message>
    <message>
        <source>Der Auftrag läuft: Tags auf den Leser legen.</source>
        <comment>12716</comment>
        <translation>The job is running: put tags on the reader.</translation>
    </message>
    <message>
        <source>Der Lauf ist beendet.</source>
        <comment>12717</comment>
        <translation>The run has ended.</translation>
    </message>
</context>
</TS>
