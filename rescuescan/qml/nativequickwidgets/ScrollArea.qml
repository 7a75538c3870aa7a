import QtQuick
import NativeQuickWidgets 1.0

// A clipped, flickable view of its content with desktop scroll bars along
// the right and bottom edges, each shown as its policy says.
Item {
    id: scrollArea

    default property alias content: flickable.flickableData
    property bool autoFillBackground: true
    property alias contentWidth: flickable.contentWidth
    property alias contentHeight: flickable.contentHeight
    property int horizontalScrollBarPolicy: Qt.ScrollBarAsNeeded
    property int verticalScrollBarPolicy: Qt.ScrollBarAsNeeded

    readonly property int barSize: 16

    function barShown(policy, needed) {
        return policy === Qt.ScrollBarAlwaysOn || (policy === Qt.ScrollBarAsNeeded && needed)
    }

    // As needed, a bar shows once its content is more than a bar's size
    // larger than the view. A bar shown narrows the view for the other one,
    // which can only make that one more needed: two rounds settle both.
    readonly property var shownBars: {
        let vertical = false
        let horizontal = false
        for (let round = 0; round < 2; ++round) {
            vertical = barShown(verticalScrollBarPolicy,
                                contentHeight - barSize > height - (horizontal ? barSize : 0))
            horizontal = barShown(horizontalScrollBarPolicy,
                                  contentWidth - barSize > width - (vertical ? barSize : 0))
        }
        return { vertical: vertical, horizontal: horizontal }
    }

    // Where the content stands, in content pixels: the bars follow it.
    readonly property int contentTop: Math.round(flickable.visibleArea.yPosition * flickable.contentHeight)
    readonly property int contentLeft: Math.round(flickable.visibleArea.xPosition * flickable.contentWidth)
    onContentTopChanged: verticalBar.value = contentTop
    onContentLeftChanged: horizontalBar.value = contentLeft

    SystemPalette { id: systemPalette }

    Flickable {
        id: flickable
        objectName: "flickable"
        anchors.left: parent.left
        anchors.top: parent.top
        width: scrollArea.width - (verticalBar.visible ? scrollArea.barSize : 0)
        height: scrollArea.height - (horizontalBar.visible ? scrollArea.barSize : 0)
        clip: true
        boundsBehavior: Flickable.StopAtBounds
    }

    // A bar moves the content only when it stands elsewhere, so that the
    // bar following a flick does not stop it.
    ScrollBar {
        id: verticalBar
        objectName: "verticalScrollBar"
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: flickable.bottom
        width: scrollArea.barSize
        visible: scrollArea.shownBars.vertical
        autoFillBackground: scrollArea.autoFillBackground
        orientation: "vertical"
        minimum: 0
        maximum: Math.max(0, flickable.contentHeight - flickable.height)
        pageStep: flickable.visibleArea.heightRatio * flickable.contentHeight
        Component.onCompleted: value = scrollArea.contentTop
        onValueChanged: {
            if (value !== scrollArea.contentTop)
                flickable.contentY = value
        }
    }

    ScrollBar {
        id: horizontalBar
        objectName: "horizontalScrollBar"
        anchors.left: parent.left
        anchors.bottom: parent.bottom
        anchors.right: verticalBar.visible ? verticalBar.left : parent.right
        height: scrollArea.barSize
        visible: scrollArea.shownBars.horizontal
        autoFillBackground: scrollArea.autoFillBackground
        orientation: "horizontal"
        minimum: 0
        maximum: Math.max(0, flickable.contentWidth - flickable.width)
        pageStep: flickable.visibleArea.widthRatio * flickable.contentWidth
        Component.onCompleted: value = scrollArea.contentLeft
        onValueChanged: {
            if (value !== scrollArea.contentLeft)
                flickable.contentX = value
        }
    }

    Rectangle {
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        width: scrollArea.barSize
        height: scrollArea.barSize
        visible: verticalBar.visible && horizontalBar.visible
        color: systemPalette.window
    }
}
