<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt">
<context>
    <name></name>
    <message id="RVT_THREE_SCAN_BUTTON">
        <source>Scan</source>
        <translation>Verificar</translation>
    </message>
</context>
</TS>
