<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name></name>
    <message id="RVT_THREE_SCAN_BUTTON">
        <source>Scan</source>
        <translation>Durchsuchen</translation>
    </message>
    <message id="COMM_BACK_BUTTON">
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message id="RVT_FOUR_FILESFOUND">
        <source>Files found: %@</source>
        <translation>%@ Dateien gefunden</translation>
    </message>
</context>
</TS>
