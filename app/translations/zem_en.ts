<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>zem::PortConnection</name>
    <message numerus="yes">
        <source>%Ln byte(s) could not be sent before the port closed and were discarded.</source>
        <translation>
            <numerusform>%Ln byte could not be sent before the port closed and was discarded.</numerusform>
            <numerusform>%Ln bytes could not be sent before the port closed and were discarded.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>zem::Recording</name>
    <message numerus="yes">
        <source>This record starts after the first %Ln byte(s) of the session, which no longer fitted in memory.</source>
        <translation>
            <numerusform>This record starts after the first %Ln byte of the session, which no longer fitted in memory.</numerusform>
            <numerusform>This record starts after the first %Ln bytes of the session, which no longer fitted in memory.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Recording to %1 was stopped, but its disk took nothing for %2 seconds: %Ln byte(s) the line carried did not reach it.</source>
        <translation>
            <numerusform>Recording to %1 was stopped, but its disk took nothing for %2 seconds: %Ln byte the line carried did not reach it.</numerusform>
            <numerusform>Recording to %1 was stopped, but its disk took nothing for %2 seconds: %Ln bytes the line carried did not reach it.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln byte(s) of the session are missing here: the file could not keep up, and they no longer fitted in memory.</source>
        <translation>
            <numerusform>%Ln byte of the session is missing here: the file could not keep up, and it no longer fitted in memory.</numerusform>
            <numerusform>%Ln bytes of the session are missing here: the file could not keep up, and they no longer fitted in memory.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>zem::SerialPortComm</name>
    <message numerus="yes">
        <source>%Ln byte(s) could not be sent.</source>
        <translation>
            <numerusform>%Ln byte could not be sent.</numerusform>
            <numerusform>%Ln bytes could not be sent.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>At least %Ln byte(s) could not be sent.</source>
        <translation>
            <numerusform>At least %Ln byte could not be sent.</numerusform>
            <numerusform>At least %Ln bytes could not be sent.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Disconnected: %Ln byte(s) could not be sent and were discarded.</source>
        <translation>
            <numerusform>Disconnected: %Ln byte could not be sent and was discarded.</numerusform>
            <numerusform>Disconnected: %Ln bytes could not be sent and were discarded.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>A Send of %Ln byte(s) wrote nothing: no port was open.</source>
        <translation>
            <numerusform>A Send of %Ln byte wrote nothing: no port was open.</numerusform>
            <numerusform>A Send of %Ln bytes wrote nothing: no port was open.</numerusform>
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
    <message numerus="yes">
        <source>Sending: %Ln byte(s) left, closing in %1</source>
        <translation>
            <numerusform>Sending: %Ln byte left, closing in %1</numerusform>
            <numerusform>Sending: %Ln bytes left, closing in %1</numerusform>
        </translation>
    </message>
</context>
</TS>
