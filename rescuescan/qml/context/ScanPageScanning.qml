import QtQuick

// Scan progress: the animation, the title, the progress bar, pause, resume
// and stop, and what the scan has reached so far.
Rectangle {
    id: view

    property string scan_title
    // The main frame, whose mask dims the window around the details window.
    property Item frame

    signal showDetails()
    signal action(string what)

    function getProgress() {
        var progress = Math.ceil(engine.scannedCount * 100 / engine.totalCount)
        return isFinite(progress) ? progress : 0
    }

    width: 570
    height: 413
    color: "transparent"

    component ScanButton: Button {
        property string label
        width: 107
        height: 28
        normal_image: Qt.resolvedUrl("../image/scan/btn_bg_1.png")
        hot_image: Qt.resolvedUrl("../image/scan/btn_bg_2.png")
        pushed_image: Qt.resolvedUrl("../image/scan/btn_bg_3.png")
        Text {
            anchors.fill: parent
            text: parent.label
            color: "#17324d"
            font.family: "Tahoma"
            font.pixelSize: 14
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
    }

    component Label: Text {
        x: 61
        width: 107
        height: 17
        color: "#17324d"
        font.family: "Tahoma"
        font.pixelSize: 12
    }

    component Value: Text {
        x: 178
        width: 362
        height: 17
        color: "#24313d"
        font.family: "Tahoma"
        font.pixelSize: 12
    }

    Image {
        x: 4
        y: 20
        width: 566
        height: 112
        source: "../image/scan/scan_animation_bg.png"
    }

    ScanAnimation {
        objectName: "scanAnimation"
        x: 12
        y: 29
        run: !engine.paused
    }

    Text {
        objectName: "scanTitle"
        x: 128
        y: 28
        text: view.scan_title
        color: "#17324d"
        font.family: "Tahoma"
        font.pixelSize: 24
        font.bold: true
    }

    ProgressBar {
        objectName: "progressBar"
        x: 128
        y: 73
        width: 423
        height: 20
        maxvalue: 100
        value: view.getProgress()
        bk_image: Qt.resolvedUrl("../image/scan/progress_bar_bg.png")
        force_image_1: Qt.resolvedUrl("../image/scan/progress_bar_left.png")
        force_image_2: Qt.resolvedUrl("../image/scan/progress_bar_center.png")
        force_image_3: Qt.resolvedUrl("../image/scan/progress_bar_right.png")
    }

    // Pause and Resume share a place; which one shows follows the scan
    // controller, so the button always names what a click will do.
    ScanButton {
        objectName: "pauseButton"
        x: 324
        y: 28
        label: qsTr("Pause")
        visible: !engine.paused
        onClicked: engine.pause()
    }
    ScanButton {
        objectName: "resumeButton"
        x: 324
        y: 28
        label: qsTr("Resume")
        visible: engine.paused
        onClicked: engine.resume()
    }
    ScanButton {
        objectName: "stopButton"
        x: 444
        y: 28
        label: qsTr("Stop")
        onClicked: {
            if (engine.abort())
                view.action("complete")
        }
    }

    Label { y: 163; text: qsTr("Current Object:") }
    Label { y: 200; text: qsTr("Objects Scanned:") }
    Label { y: 237; text: qsTr("Threats:") }
    Label { y: 276; text: qsTr("Duration:") }

    Value {
        objectName: "currentObject"
        y: 163
        text: engine.currentObject
        elide: Text.ElideMiddle
    }
    Value { objectName: "scannedCount"; y: 200; text: engine.scannedCount }
    Value { objectName: "threatsCount"; y: 237; text: engine.threatsCount }
    Value { objectName: "elapsedTime"; y: 276; text: engine.elapsedTime }

    Button {
        objectName: "detailsButton"
        x: 244
        y: 232
        width: 82
        height: 24
        visible: engine.threatsCount > 0
        normal_image: Qt.resolvedUrl("../image/scan/details_1.png")
        hot_image: Qt.resolvedUrl("../image/scan/details_2.png")
        pushed_image: Qt.resolvedUrl("../image/scan/details_3.png")
        onClicked: {
            view.frame.showMask(true)
            view.showDetails()
            view.frame.showMask(false)
        }
        Text {
            anchors.fill: parent
            text: qsTr("Details")
            color: "#17324d"
            font.family: "Tahoma"
            font.pixelSize: 12
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
    }
}
