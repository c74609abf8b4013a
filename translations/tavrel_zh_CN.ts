<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ConnectDialog</name>
    <message>
        <source>Add network port...</source>
        <translation>添加网络端口...</translation>
    </message>
    <message>
        <source>Adds the port of a serial device server on the network, as rfc2217://HOST:PORT or tcp://HOST:PORT</source>
        <translation>添加网络上串口服务器的端口，格式为 rfc2217://HOST:PORT 或 tcp://HOST:PORT</translation>
    </message>
    <message>
        <source>Network port on %1 port %2 (RFC 2217)</source>
        <translation>%1 上的网络端口，端口号 %2（RFC 2217）</translation>
    </message>
    <message>
        <source>Network port on %1 port %2 (raw TCP)</source>
        <translation>%1 上的网络端口，端口号 %2（原始 TCP）</translation>
    </message>
</context>
<context>
    <name>NetworkPortDialog</name>
    <message>
        <source>Add network port</source>
        <translation>添加网络端口</translation>
    </message>
    <message>
        <source>The port of a serial device server:
rfc2217://HOST:PORT for Telnet with COM port control, or
tcp://HOST:PORT for raw bytes (set the server's line to 9600 baud, 8N1).</source>
        <translation>串口服务器的端口：
rfc2217://HOST:PORT 表示带串口控制的 Telnet，或
tcp://HOST:PORT 表示原始字节（请将服务器的串口设为 9600 波特，8N1）。</translation>
    </message>
    <message>
        <source>rfc2217://rack1.venue.lan:7000</source>
        <translation>rfc2217://rack1.venue.lan:7000</translation>
    </message>
</context>
</TS>
