<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en_US">
<context>
    <name>Localizable</name>
    <message>
        <source>Job Control</source>
        <extracomment>Name of the print dialog tab.</extracomment>
        <translation>Auftragssteuerung</translation>
    </message>
    <message>
        <source>Retention and Filing</source>
        <extracomment>Tab label.</extracomment>
        <translation>Speicherung und Ablage</translation>
    </message>
    <message>
        <source>Authentication and Account</source>
        <extracomment>Tab label.</extracomment>
        <translation>Anmeldung und Konto</translation>
    </message>
    <message>
        <source>Job ID and Printer</source>
        <extracomment>Tab label: job identification and the printer address.</extracomment>
        <translation>Auftrag und Drucker</translation>
    </message>
    <message>
        <source>Job Retention</source>
        <extracomment>Check box: keep the job stored in the printer.</extracomment>
        <translation>Auftragsspeicherung</translation>
    </message>
    <message>
        <source>Retention Mode</source>
        <extracomment>Group box; also the title of a summary line.</extracomment>
        <translation>Speichermodus</translation>
    </message>
    <message>
        <source>Hold Only</source>
        <extracomment>Store the job in the printer without printing it.</extracomment>
        <translation>Nur speichern</translation>
    </message>
    <message>
        <source>Hold After Print</source>
        <extracomment>Print the job, then keep it in the printer.</extracomment>
        <translation>Drucken und speichern</translation>
    </message>
    <message>
        <source>Sample Print</source>
        <extracomment>Print one copy, hold the rest.</extracomment>
        <translation>Probedruck</translation>
    </message>
    <message>
        <source>PIN</source>
        <extracomment>Caption of the retention PIN field (a colon is added).</extracomment>
        <translation>PIN</translation>
    </message>
    <message>
        <source>Document Filing</source>
        <extracomment>Group box.</extracomment>
        <translation>Dokumentablage</translation>
    </message>
    <message>
        <source>Folder</source>
        <extracomment>Caption of the folder choice (a colon is added).</extracomment>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Quick File</source>
        <extracomment>The printer's quick file folder.</extracomment>
        <translation>Schnellablage</translation>
    </message>
    <message>
        <source>Main Folder</source>
        <extracomment>The printer's main folder.</extracomment>
        <translation>Hauptordner</translation>
    </message>
    <message>
        <source>Custom Folder</source>
        <extracomment>A folder the printer's users created.</extracomment>
        <translation>Benutzerdefinierter Ordner</translation>
    </message>
    <message>
        <source>Folder Password</source>
        <extracomment>Caption (a colon is added).</extracomment>
        <translation>Ordnerkennwort</translation>
    </message>
    <message>
        <source>Get Folder Names</source>
        <extracomment>Button: ask the printer for its folders.</extracomment>
        <translation>Ordnernamen abrufen</translation>
    </message>
    <message>
        <source>Login Name and Password</source>
        <extracomment>Authentication choice.</extracomment>
        <translation>Anmeldename und Kennwort</translation>
    </message>
    <message>
        <source>Login Name</source>
        <extracomment>Caption (a colon is added).</extracomment>
        <translation>Anmeldename</translation>
    </message>
    <message>
        <source>Password</source>
        <extracomment>Caption (a colon is added).</extracomment>
        <translation>Kennwort</translation>
    </message>
    <message>
        <source>User Number</source>
        <extracomment>Authentication choice; captions the user number field.</extracomment>
        <translation>Benutzernummer</translation>
    </message>
    <message>
        <source>Account Number</source>
        <extracomment>Caption (a colon is added).</extracomment>
        <translation>Kontonummer</translation>
    </message>
    <message>
        <source>Job Identification</source>
        <extracomment>Group box.</extracomment>
        <translation>Auftragskennung</translation>
    </message>
    <message>
        <source>User Name</source>
        <extracomment>Caption (a colon is added); also a summary line title.</extracomment>
        <translation>Benutzername</translation>
    </message>
    <message>
        <source>Job Name</source>
        <extracomment>Caption (a colon is added); also a summary line title.</extracomment>
        <translation>Auftragsname</translation>
    </message>
    <message>
        <source>Printer Address</source>
        <extracomment>Caption (a colon is added).</extracomment>
        <translation>Druckeradresse</translation>
    </message>
    <message>
        <source>On</source>
        <extracomment>Summary value of the retention check box.</extracomment>
        <translation>Ein</translation>
    </message>
    <message>
        <source>Off</source>
        <extracomment>Summary value of the retention check box.</extracomment>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Could not retrieve Folder Names.%@</source>
        <extracomment>Alert text; keep %@ where further detail may follow.</extracomment>
        <translation>Die Ordnernamen konnten nicht abgerufen werden.%@</translation>
    </message>
    <message>
        <source>OK</source>
        <extracomment>Alert button.</extracomment>
        <translation>OK</translation>
    </message>
    <message>
        <source>Remember the PIN</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>PIN merken</translation>
    </message>
    <message>
        <source>Remember the folder password</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>Ordnerkennwort merken</translation>
    </message>
    <message>
        <source>Remember the folder name</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>Ordnernamen merken</translation>
    </message>
    <message>
        <source>Remember the login name</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>Anmeldenamen merken</translation>
    </message>
    <message>
        <source>Remember the password</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>Kennwort merken</translation>
    </message>
    <message>
        <source>Remember the user number</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>Benutzernummer merken</translation>
    </message>
    <message>
        <source>Remember the account number</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>Kontonummer merken</translation>
    </message>
    <message>
        <source>Remember the user name</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>Benutzernamen merken</translation>
    </message>
    <message>
        <source>Remember the job name</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>Auftragsnamen merken</translation>
    </message>
</context>
</TS>
