<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name></name>
    <message id="RVT_FOUR_DEEPSCAN_NODE">
        <source>Didn't find your files? Try Deep Scan: it reads the whole device block by block.</source>
        <translation>Fichiers introuvables ? Essayez l'Analyse approfondie : elle lit tout le disque.</translation>
    </message>
    <message id="Deep Scan">
        <source>Deep Scan</source>
        <translation>Analyse approfondie</translation>
    </message>
</context>
</TS>
