// Pixel widths of the list columns that show a parameter table.

#include "GuiTestSupport.h"

#include "gui/support/ParameterTableColumns.h"
#include "model/ProgramContainer.h"

#include <QtTest>

#include <vector>

class ParameterTableColumnsTest : public QObject {
    Q_OBJECT
private slots:
    void labelColumnThenOnePerChannel_data();
    void labelColumnThenOnePerChannel();
};

void ParameterTableColumnsTest::labelColumnThenOnePerChannel_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<int>("channels");
    QTest::newRow("4x8: 4 inputs and 8 outputs") << 1 << 12;
    QTest::newRow("3x6: 3 inputs and 6 outputs") << 2 << 9;
    QTest::newRow("2x4: 2 inputs and 4 outputs") << 3 << 6;
    QTest::newRow("unknown type: the label column alone") << 7 << 0;
}

void ParameterTableColumnsTest::labelColumnThenOnePerChannel() {
    QFETCH(int, deviceType);
    QFETCH(int, channels);
    ProgramContainer data;
    data.setDeviceType(deviceType == 7 ? 1 : deviceType);
    const ParameterTable table(data, deviceType);
    std::vector<int> widths(static_cast<std::size_t>(channels) + 1, 90);
    widths[0] = 160;
    QCOMPARE(ParameterColumnWidths(table), widths);
}

TAVREL_GUI_TEST_MAIN(ParameterTableColumnsTest)
#include "parameter_table_columns_test.moc"
