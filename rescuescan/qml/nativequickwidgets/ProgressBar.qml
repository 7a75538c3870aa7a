import QtQuick
import NativeQuickWidgets 1.0

// A progress bar drawn by the desktop style, with its percentage text.
Item {
    property alias enabled: bar.widgetEnabled
    property alias minimum: bar.minimum
    property alias maximum: bar.maximum
    property alias textVisible: bar.textVisible
    property alias value: bar.value

    implicitWidth: 100
    implicitHeight: 25

    DeclarativeProgressBar {
        id: bar
        objectName: "nativeProgressBar"
        anchors.fill: parent
    }
}
