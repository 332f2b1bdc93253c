<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>zem::PortConnection</name>
    <message numerus="yes">
        <source>%n byte(s) could not be sent before the port closed and were discarded.</source>
        <translation>
            <numerusform>%n byte could not be sent before the port closed and was discarded.</numerusform>
            <numerusform>%n bytes could not be sent before the port closed and were discarded.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>zem::SerialPortComm</name>
    <message numerus="yes">
        <source>%n byte(s) could not be sent.</source>
        <translation>
            <numerusform>%n byte could not be sent.</numerusform>
            <numerusform>%n bytes could not be sent.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>zem::StatusBar</name>
    <message numerus="yes">
        <source>Sending: %Ln byte(s) left, about %1</source>
        <translation>
            <numerusform>Sending: %Ln byte left, about %1</numerusform>
            <numerusform>Sending: %Ln bytes left, about %1</numerusform>
        </translation>
    </message>
</context>
</TS>
