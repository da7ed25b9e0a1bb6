<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it">
<context>
    <name></name>
    <message id="RVT_FOUR_DEEPSCAN_NODE">
        <source>Didn't find your files? Try Deep Scan: it reads the whole device block by block.</source>
        <translation>Non trovi i tuoi file? Prova la scansione completa del disco.</translation>
    </message>
    <message id="Deep Scan">
        <source>Deep Scan</source>
        <translation>Scansione profonda</translation>
    </message>
</context>
</TS>
