import QtQuick

// The threat list on its panel, with a scroll bar along its right edge.
Rectangle {
    width: 547
    height: 260
    color: "transparent"

    Image {
        anchors.fill: parent
        source: "../image/scan/threats_panel.png"
    }

    ListView {
        id: list
        objectName: "threatListView"
        anchors.fill: parent
        anchors.margins: 2
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: threatsModel
        delegate: ThreatListItem {}
    }

    ScrollBar {
        anchors.right: list.right
        anchors.top: list.top
        height: list.height
        width: 8
        scrollArea: list
    }
}
