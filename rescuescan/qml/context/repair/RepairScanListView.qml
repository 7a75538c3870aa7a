import QtQuick
import ".."

// The repair items on their panel, with a scroll bar along its right edge.
Rectangle {
    property alias model: list.model

    width: 547
    height: 276
    color: "transparent"
    clip: true

    Image {
        anchors.fill: parent
        source: "../../image/scan/threats_panel.png"
    }

    ListView {
        id: list
        objectName: "repairListView"
        anchors.fill: parent
        anchors.margins: 2
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        delegate: RepairScanListItem {}
    }

    ScrollBar {
        anchors.right: list.right
        anchors.top: list.top
        width: 8
        height: list.height
        scrollArea: list
    }
}
