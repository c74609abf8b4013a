<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>BusyDialog</name>
    <message>
        <source>Stops after the memory being transferred; the memories before it are complete, the later ones untouched</source>
        <translation>传完当前存储位后停止；之前的存储位已完整传输，之后的保持不变</translation>
    </message>
    <message>
        <source>Connecting</source>
        <translation>正在连接</translation>
    </message>
    <message>
        <source>transmitting Data</source>
        <translation>正在传输数据</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>ChannelEditor</name>
    <message>
        <source>Meter</source>
        <translation>米</translation>
    </message>
    <message>
        <source>Feet</source>
        <translation>英尺</translation>
    </message>
</context>
<context>
    <name>ChannelNamesDialog</name>
    <message>
        <source>Input</source>
        <translation>输入</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>输出</translation>
    </message>
    <message>
        <source>Ch Setup</source>
        <translation>通道设置</translation>
    </message>
</context>
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
    <message>
        <source>Com Select:</source>
        <translation>串口选择：</translation>
    </message>
    <message>
        <source>Rescan</source>
        <translation>重新扫描</translation>
    </message>
    <message>
        <source>Lists the serial ports again, for an adapter plugged in while this dialog is open</source>
        <translation>重新列出串口，用于本对话框打开期间插入的适配器</translation>
    </message>
    <message>
        <source>Device ID:</source>
        <translation>设备 ID：</translation>
    </message>
    <message>
        <source>Search ID</source>
        <translation>搜索 ID</translation>
    </message>
    <message>
        <source>Search IDs:</source>
        <translation>搜索 ID 范围：</translation>
    </message>
    <message>
        <source>to</source>
        <translation>至</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Searching ID %1 of %2</source>
        <translation>正在搜索 ID %1 / %2</translation>
    </message>
    <message>
        <source>Found: </source>
        <translation>已找到：</translation>
    </message>
    <message>
        <source>Stopped at ID %1. </source>
        <translation>已在 ID %1 处停止。</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>No unit of this model answered</source>
        <translation>没有该型号的设备应答</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Used last</source>
        <translation>上次使用</translation>
    </message>
</context>
<context>
    <name>ControlSurface</name>
    <message>
        <source>&amp;Channel</source>
        <translation>通道(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Settings...</source>
        <translation>设置(&amp;S)...</translation>
    </message>
    <message>
        <source>&amp;Equaliser...</source>
        <translation>均衡器(&amp;E)...</translation>
    </message>
    <message>
        <source>Link/Unlink</source>
        <translation>联机/脱机</translation>
    </message>
    <message>
        <source>A/B comparison: click to switch between the settings stored as A and B (%1); the arrow stores the settings now as A or B</source>
        <translation>A/B 比较：单击在存为 A 和 B 的设置之间切换（%1）；箭头将当前设置存为 A 或 B</translation>
    </message>
    <message>
        <source>Shows or hides the curve of %1 in the graph</source>
        <translation>在曲线图中显示或隐藏 %1 的曲线</translation>
    </message>
    <message>
        <source>Polarity of %1: normal or inverted</source>
        <translation>%1 的极性：正相或反相</translation>
    </message>
    <message>
        <source>Opens the equaliser of %1</source>
        <translation>打开 %1 的均衡器</translation>
    </message>
    <message>
        <source>Opens the channel settings of %1</source>
        <translation>打开 %1 的通道设置</translation>
    </message>
    <message>
        <source>-Invert</source>
        <translation>-反相</translation>
    </message>
    <message>
        <source>+Normal</source>
        <translation>+正相</translation>
    </message>
    <message>
        <source>UnConnect</source>
        <translation>断开连接</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>联机</translation>
    </message>
    <message>
        <source>Unlink</source>
        <translation>脱机</translation>
    </message>
    <message>
        <source>Digital</source>
        <translation>数字</translation>
    </message>
    <message>
        <source>Analog</source>
        <translation>模拟</translation>
    </message>
    <message>
        <source>DeviceID:</source>
        <translation>设备ID：</translation>
    </message>
    <message>
        <source>Com Port:</source>
        <translation>串口：</translation>
    </message>
    <message>
        <source>Input Source:</source>
        <translation>输入源：</translation>
    </message>
    <message>
        <source>INPUT</source>
        <translation>输入</translation>
    </message>
    <message>
        <source>OUTPUT</source>
        <translation>输出</translation>
    </message>
    <message>
        <source>Polar</source>
        <translation>极性</translation>
    </message>
    <message>
        <source>EQ</source>
        <translation>均衡</translation>
    </message>
    <message>
        <source>Curve</source>
        <translation>曲线</translation>
    </message>
    <message>
        <source>Gain</source>
        <translation>增益</translation>
    </message>
    <message>
        <source>Connection</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>DataView</source>
        <translation>数据视图</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>程序</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>复制</translation>
    </message>
    <message>
        <source>Interface</source>
        <translation>面板</translation>
    </message>
    <message>
        <source>BoxName</source>
        <translation>通道名称</translation>
    </message>
    <message>
        <source>ESC</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Opens the connect dialog: choose the serial port and the unit's device ID</source>
        <translation>打开连接对话框：选择串口和设备 ID</translation>
    </message>
    <message>
        <source>Opens the parameter list of this program, to read, print or export</source>
        <translation>打开本程序的参数列表，可查看、打印或导出</translation>
    </message>
    <message>
        <source>Opens the device dialog: give the connected unit a new device ID or switch to another unit</source>
        <translation>打开设备对话框：为已连接的设备设置新的设备 ID，或切换到另一台设备</translation>
    </message>
    <message>
        <source>Opens the program manager: recall or store the unit's programs, open or save program files</source>
        <translation>打开程序管理器：调用或存储设备中的程序，打开或保存程序文件</translation>
    </message>
    <message>
        <source>Opens the copy dialog: copy every setting of one channel onto another</source>
        <translation>打开复制对话框：将一个通道的全部设置复制到另一个通道</translation>
    </message>
    <message>
        <source>Opens the interface dialog: backlight, temperature and the unit's interface lines</source>
        <translation>打开面板对话框：背光、温度和设备的面板显示行</translation>
    </message>
    <message>
        <source>Opens the channel-name dialog: name the inputs and outputs</source>
        <translation>打开通道名称对话框：为输入和输出命名</translation>
    </message>
    <message>
        <source>Back to the model selection; ends the connection without asking</source>
        <translation>返回型号选择；不经询问即断开连接</translation>
    </message>
    <message>
        <source>Closes the connection to the unit</source>
        <translation>断开与设备的连接</translation>
    </message>
    <message>
        <source>Hide</source>
        <translation>隐藏</translation>
    </message>
    <message>
        <source>Nothing was imported: %1</source>
        <translation>未导入任何内容：%1</translation>
    </message>
    <message>
        <source>Nothing was imported from %1: %2</source>
        <translation>未从 %1 导入任何内容：%2</translation>
    </message>
    <message>
        <source> EQ Import</source>
        <translation> 均衡导入</translation>
    </message>
    <message>
        <source>The filter text could not be written.
%1: %2</source>
        <translation>无法写入滤波器文本。
%1：%2</translation>
    </message>
    <message>
        <source>%1: EQ written to %2</source>
        <translation>%1：均衡已写入 %2</translation>
    </message>
    <message>
        <source>The measurement was not loaded: %1</source>
        <translation>未载入测量数据：%1</translation>
    </message>
    <message>
        <source>Measurements of this program that could not be read again:
%1</source>
        <translation>本程序中无法重新读取的测量数据：
%1</translation>
    </message>
    <message>
        <source>&amp;Graph</source>
        <translation>曲线图(&amp;G)</translation>
    </message>
    <message>
        <source>&amp;Magnitude</source>
        <translation>幅度(&amp;M)</translation>
    </message>
    <message>
        <source>&amp;Phase</source>
        <translation>相位(&amp;P)</translation>
    </message>
    <message>
        <source>Group &amp;Delay</source>
        <translation>群延时(&amp;D)</translation>
    </message>
    <message>
        <source>Predicted &amp;Sum of</source>
        <translation>预测叠加(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Clear All Measurements</source>
        <translation>清除全部测量数据(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Import EQ...</source>
        <translation>导入均衡(&amp;I)...</translation>
    </message>
    <message>
        <source>E&amp;xport EQ...</source>
        <translation>导出均衡(&amp;X)...</translation>
    </message>
    <message>
        <source>&amp;Load Measurement...</source>
        <translation>载入测量数据(&amp;L)...</translation>
    </message>
    <message>
        <source>Show &amp;Measurement</source>
        <translation>显示测量数据(&amp;M)</translation>
    </message>
    <message>
        <source>&amp;Clear Measurement</source>
        <translation>清除测量数据(&amp;C)</translation>
    </message>
    <message>
        <source>In Predicted S&amp;um</source>
        <translation>计入预测叠加(&amp;U)</translation>
    </message>
</context>
<context>
    <name>CopyChannelDialog</name>
    <message>
        <source>Source:</source>
        <translation>源：</translation>
    </message>
    <message>
        <source>Target:</source>
        <translation>目标：</translation>
    </message>
    <message>
        <source>Route In</source>
        <translation>输入通道</translation>
    </message>
    <message>
        <source>Route Out</source>
        <translation>输出通道</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>复制</translation>
    </message>
    <message>
        <source>Copy In  Route</source>
        <translation>复制输入通道</translation>
    </message>
    <message>
        <source>Copy Out  Route</source>
        <translation>复制输出通道</translation>
    </message>
</context>
<context>
    <name>DeviceIdDialog</name>
    <message>
        <source>Current device ID %1 To:</source>
        <translation>当前设备 ID %1 改为：</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>Change Current Device ID</source>
        <translation>修改当前设备 ID</translation>
    </message>
    <message>
        <source>Re_Connect To Device</source>
        <translation>重新连接设备</translation>
    </message>
</context>
<context>
    <name>EditHistory</name>
    <message>
        <source>&amp;Undo</source>
        <translation>撤销(&amp;U)</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>重做(&amp;R)</translation>
    </message>
    <message>
        <source>Store Settings as &amp;A</source>
        <translation>将设置存为 &amp;A</translation>
    </message>
    <message>
        <source>Store Settings as &amp;B</source>
        <translation>将设置存为 &amp;B</translation>
    </message>
    <message>
        <source>&amp;Switch A/B</source>
        <translation>切换 A/B(&amp;S)</translation>
    </message>
    <message>
        <source>Switch to %1</source>
        <translation>切换到 %1</translation>
    </message>
</context>
<context>
    <name>EqualizerBandGroup</name>
    <message>
        <source>Lo -- Shf</source>
        <translation>低架</translation>
    </message>
    <message>
        <source>Hi -- Shf</source>
        <translation>高架</translation>
    </message>
</context>
<context>
    <name>EqualizerEditor</name>
    <message>
        <source>Export...</source>
        <translation>导出...</translation>
    </message>
    <message>
        <source>Writes the bands as a filter text for measurement programs</source>
        <translation>将各频段写成供测量软件使用的滤波器文本</translation>
    </message>
    <message>
        <source>Import...</source>
        <translation>导入...</translation>
    </message>
    <message>
        <source>Sets the bands from a filter text of a measurement program</source>
        <translation>根据测量软件的滤波器文本设置各频段</translation>
    </message>
</context>
<context>
    <name>EqualizerImportDialog</name>
    <message>
        <source>Import EQ to %1</source>
        <translation>将均衡导入 %1</translation>
    </message>
    <message>
        <source>The filters of %1 as the unit will hold them on %2:</source>
        <translation>%1 中的滤波器在 %2 上由设备保存后的结果：</translation>
    </message>
    <message>
        <source>Thin white: as the text asks; bold in the channel's colour: as the unit will hold it</source>
        <translation>白色细线：文本要求的曲线；通道颜色粗线：设备实际保存的曲线</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>行</translation>
    </message>
    <message>
        <source>Requested</source>
        <translation>要求值</translation>
    </message>
    <message>
        <source>As held</source>
        <translation>实际值</translation>
    </message>
    <message>
        <source>Not taken, or limited</source>
        <translation>未采用或已限制</translation>
    </message>
    <message>
        <source>Set the channel gain from the preamp (%1 dB)</source>
        <translation>按前级增益设置通道增益（%1 dB）</translation>
    </message>
    <message>
        <source>Largest difference: %1 dB at %2 Hz</source>
        <translation>最大差值：%2 Hz 处 %1 dB</translation>
    </message>
</context>
<context>
    <name>InputChannelEditor</name>
    <message>
        <source>Delay</source>
        <translation>延时</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Noisegate</source>
        <translation>噪声门</translation>
    </message>
    <message>
        <source>Threshold</source>
        <translation>阈值</translation>
    </message>
    <message>
        <source>Disble</source>
        <translation>禁用</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>输入</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>信号源</translation>
    </message>
    <message>
        <source>Analog</source>
        <translation>模拟</translation>
    </message>
    <message>
        <source>Digital</source>
        <translation>数字</translation>
    </message>
</context>
<context>
    <name>InterfaceSettingsDialog</name>
    <message>
        <source>BackLight</source>
        <translation>背光</translation>
    </message>
    <message>
        <source>Keep On</source>
        <translation>常亮</translation>
    </message>
    <message>
        <source>Tmpterature</source>
        <translation>温度</translation>
    </message>
    <message>
        <source>Interface Information</source>
        <translation>面板显示信息</translation>
    </message>
    <message>
        <source>Interface1 :</source>
        <translation>显示行1：</translation>
    </message>
    <message>
        <source>Interface2 :</source>
        <translation>显示行2：</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Interface</source>
        <translation>面板</translation>
    </message>
    <message>
        <source>The interface lines you typed have not been sent to the unit.
Send them now?</source>
        <translation>您输入的面板显示行尚未发送到设备。
现在发送吗？</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>打开(&amp;O)...</translation>
    </message>
    <message>
        <source>&amp;Save...</source>
        <translation>保存(&amp;S)...</translation>
    </message>
    <message>
        <source>Recent File</source>
        <translation>最近的文件</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>退出(&amp;X)</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>编辑(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;About Tavrel1.0...</source>
        <translation>关于 Tavrel1.0(&amp;A)...</translation>
    </message>
    <message>
        <source>About Tavrel1.0</source>
        <translation>关于 Tavrel1.0</translation>
    </message>
    <message>
        <source>Tavrel Version %1

Control program for the 4x8, 3x6 and 2x4 loudspeaker processors.</source>
        <translation>Tavrel 版本 %1

用于 4x8、3x6 和 2x4 音箱处理器的控制程序。</translation>
    </message>
</context>
<context>
    <name>MuteLampButton</name>
    <message>
        <source>On</source>
        <translation>开启</translation>
    </message>
    <message>
        <source>Muted</source>
        <translation>静音</translation>
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
<context>
    <name>OutputChannelEditor</name>
    <message>
        <source>In Source</source>
        <translation>输入源</translation>
    </message>
    <message>
        <source>Delay</source>
        <translation>延时</translation>
    </message>
    <message>
        <source>Threshold</source>
        <translation>阈值</translation>
    </message>
    <message>
        <source>Attack</source>
        <translation>启动时间</translation>
    </message>
    <message>
        <source>Release</source>
        <translation>释放时间</translation>
    </message>
    <message>
        <source>Clip Limit</source>
        <translation>削波限制</translation>
    </message>
    <message>
        <source>Ratio</source>
        <translation>压缩比</translation>
    </message>
    <message>
        <source>Compress</source>
        <translation>压缩</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>手动</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>模式</translation>
    </message>
    <message>
        <source>Limit</source>
        <translation>限幅</translation>
    </message>
    <message>
        <source>Compressor</source>
        <translation>压缩器</translation>
    </message>
    <message>
        <source>BTWorth</source>
        <translation>巴特沃斯</translation>
    </message>
    <message>
        <source>Bessel</source>
        <translation>贝塞尔</translation>
    </message>
</context>
<context>
    <name>ParameterTableDialog</name>
    <message>
        <source>Printing…</source>
        <translation>正在打印…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>the printed document could not be read back</source>
        <translation>无法读回打印的文档</translation>
    </message>
    <message>
        <source>Could not write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>DataView</source>
        <translation>数据视图</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>打印</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>导出…</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Export needs a file name ending in .csv or .pdf.</source>
        <translation>导出需要以 .csv 或 .pdf 结尾的文件名。</translation>
    </message>
</context>
<context>
    <name>ProgramFileChooser</name>
    <message>
        <source>program libraries</source>
        <translation>程序库</translation>
    </message>
    <message>
        <source>program files</source>
        <translation>程序文件</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>所有文件 (*)</translation>
    </message>
</context>
<context>
    <name>ProgramManagerDialog</name>
    <message>
        <source>Recall program from Device </source>
        <translation>从设备调用程序</translation>
    </message>
    <message>
        <source>Store program to Device</source>
        <translation>将程序存储到设备</translation>
    </message>
    <message>
        <source>Store Program to PC</source>
        <translation>将程序存储到电脑</translation>
    </message>
    <message>
        <source>Recall Program From PC</source>
        <translation>从电脑调用程序</translation>
    </message>
    <message>
        <source>Recall  all Program From PC</source>
        <translation>从电脑调用全部程序</translation>
    </message>
    <message>
        <source>Store all Program to PC </source>
        <translation>将全部程序存储到电脑</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>程序</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>PC Program</source>
        <translation>电脑程序</translation>
    </message>
</context>
<context>
    <name>ResponseGraph</name>
    <message>
        <source>Measured (faint) and predicted: 0 dB here is %1 dB in the files</source>
        <translation>测量曲线（浅色）与预测曲线：此处 0 dB 对应文件中的 %1 dB</translation>
    </message>
    <message>
        <source>Phase in degrees</source>
        <translation>相位（度）</translation>
    </message>
    <message>
        <source>Group delay in milliseconds</source>
        <translation>群延时（毫秒）</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>电平</translation>
    </message>
    <message>
        <source>Phase</source>
        <translation>相位</translation>
    </message>
    <message>
        <source>Group delay</source>
        <translation>群延时</translation>
    </message>
    <message>
        <source>Shows the level of each channel</source>
        <translation>显示各通道的电平</translation>
    </message>
    <message>
        <source>Shows the phase of each channel as the unit runs it</source>
        <translation>显示设备运行时各通道的相位</translation>
    </message>
    <message>
        <source>Shows the group delay of each channel as the unit runs it</source>
        <translation>显示设备运行时各通道的群延时</translation>
    </message>
</context>
<context>
    <name>RuleNotices</name>
    <message>
        <source>%1: HPF stops at the LPF, %3 Hz</source>
        <translation>%1：高通止于低通频率，%3 Hz</translation>
    </message>
    <message>
        <source>%1: LPF stops at the HPF, %3 Hz</source>
        <translation>%1：低通止于高通频率，%3 Hz</translation>
    </message>
    <message>
        <source>%1: %2 as a low shelf stops at %3 Hz</source>
        <translation>%1：%2 作为低架时止于 %3 Hz</translation>
    </message>
    <message>
        <source>%1: %2 lowered to 20000 Hz for a low shelf</source>
        <translation>%1：%2 用作低架，已降至 20000 Hz</translation>
    </message>
    <message>
        <source>%1: %2 stays off at 0.0 dB; set a gain first</source>
        <translation>%1：%2 增益为 0.0 dB 时保持关闭；请先设置增益</translation>
    </message>
    <message>
        <source>%1: %4 stays on, an output needs a source</source>
        <translation>%1：%4 保持开启，输出至少需要一个信号源</translation>
    </message>
    <message>
        <source>%1: in Auto the unit sets the attack</source>
        <translation>%1：自动模式下启动时间由设备设定</translation>
    </message>
    <message>
        <source>%1: in Auto the unit sets the release</source>
        <translation>%1：自动模式下释放时间由设备设定</translation>
    </message>
    <message>
        <source>%1: Manual/Auto is for the Compressor</source>
        <translation>%1：手动/自动仅用于压缩器</translation>
    </message>
    <message>
        <source>%1: the clip limit is for the Compressor</source>
        <translation>%1：削波限制仅用于压缩器</translation>
    </message>
    <message>
        <source>%1: the ratio is for the Compressor</source>
        <translation>%1：压缩比仅用于压缩器</translation>
    </message>
    <message>
        <source>%1: limited to what the settings allow</source>
        <translation>%1：已限制在当前设置允许的范围内</translation>
    </message>
    <message>
        <source>%1: not possible with these settings</source>
        <translation>%1：在当前设置下无法进行</translation>
    </message>
</context>
</TS>
