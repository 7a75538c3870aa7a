import QtQuick

// Image progress bar: a background stretched over the bar and a fill of
// left cap, stretchable middle and right cap laid from the left edge. Pages
// pass absolute image URLs, as for Button.
Rectangle {
    id: bar

    property int value: 0
    property int maxvalue: 0
    property url bk_image
    property url force_image_1
    property url force_image_2
    property url force_image_3

    // Width of the fill's middle; nothing is drawn when it is not positive.
    // The share is kept within [0, 1]: an unknown maximum (0) draws nothing
    // and a value past the maximum fills the bar and no more.
    readonly property real fill: {
        var share = value / maxvalue
        if (!isFinite(share))
            share = 0
        share = Math.min(Math.max(share, 0), 1)
        return width * share - leftCap.implicitWidth - rightCap.implicitWidth
    }

    width: 430
    height: 20
    color: "transparent"

    Image {
        anchors.fill: parent
        source: bar.bk_image
    }

    Row {
        height: parent.height

        Image {
            id: leftCap
            objectName: "leftCap"
            height: parent.height
            width: bar.fill > 0 ? implicitWidth : 0
            source: bar.force_image_1
        }
        Image {
            id: middle
            objectName: "middle"
            height: parent.height
            width: bar.fill > 0 ? Math.round(bar.fill) : 0
            source: bar.force_image_2
            Behavior on width { NumberAnimation { duration: 100 } }
        }
        Image {
            id: rightCap
            objectName: "rightCap"
            height: parent.height
            width: bar.fill > 0 ? implicitWidth : 0
            source: bar.force_image_3
        }
    }
}
