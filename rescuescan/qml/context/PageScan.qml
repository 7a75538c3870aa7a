import QtQuick

// The scan page: five views, one shown at a time, slid in from the side.
// The main window calls onScanFinished() and onRepairComplete() when the scan
// controller reports them.
Rectangle {
    id: page

    // The main frame, whose mask dims the window around a dialog.
    property Item frame

    function onScanFinished() {
        page.state = engine.threatsCount > 0 ? "show_threats" : "show_nothreat"
    }

    function onRepairComplete() {
        console.log('repair complete')
        threatsView.showControls(true)
        page.state = "show_repair_complete"
    }

    width: 570
    height: 413
    color: "transparent"
    state: "show_welcome"

    ScanPageWelcome {
        id: welcomeView
        objectName: "scan_page_welcome"
        // A transparent view may lie under the shown one: it takes no clicks.
        visible: opacity > 0
        onSelectScan: function(kind) {
            if (kind === "quickscan") {
                page.state = "show_scanning"
                scanningView.scan_title = qsTr('Quick Scan')
                engine.quickScan()
            } else if (kind === "fullscan") {
                page.state = "show_scanning"
                scanningView.scan_title = qsTr('Full Scan')
                engine.fullScan()
            } else if (viewer.customSelect()) {
                scanningView.scan_title = qsTr('Custom Scan')
                page.state = "show_scanning"
            }
        }
    }

    ScanPageScanning {
        id: scanningView
        objectName: "scan_page_scanning"
        visible: opacity > 0
        frame: page.frame
    }

    ScanPageNoThreatsFound {
        id: noThreatView
        objectName: "scan_page_nothreat"
        visible: opacity > 0
        onAction: page.state = "show_welcome"
    }

    ScanPageThreatsList {
        id: threatsView
        objectName: "scan_page_threats"
        visible: opacity > 0
        onBack: page.state = "show_welcome"
    }

    ScanPageRepairComplete {
        id: repairCompleteView
        objectName: "scan_page_repair_complete"
        visible: opacity > 0
        onAction: page.state = "show_welcome"
    }

    // Each state puts the views to the left (-570) or right (570) of the one
    // it shows; a view that lies under the shown one is transparent.
    states: [
        State {
            name: "show_welcome"
            PropertyChanges { target: welcomeView; x: 0; opacity: 1 }
            PropertyChanges { target: scanningView; x: 570; opacity: 0 }
            PropertyChanges { target: noThreatView; x: 570; opacity: 0 }
            PropertyChanges { target: threatsView; x: 570; opacity: 0 }
            PropertyChanges { target: repairCompleteView; x: 570; opacity: 0 }
        },
        State {
            name: "show_scanning"
            PropertyChanges { target: welcomeView; x: -570; opacity: 0 }
            PropertyChanges { target: scanningView; x: 0; opacity: 1 }
            PropertyChanges { target: noThreatView; x: 570; opacity: 0 }
            PropertyChanges { target: threatsView; x: 570; opacity: 0 }
            PropertyChanges { target: repairCompleteView; x: 570; opacity: 0 }
        },
        State {
            name: "show_nothreat"
            PropertyChanges { target: welcomeView; x: -570; opacity: 0 }
            PropertyChanges { target: scanningView; x: -570; opacity: 0 }
            PropertyChanges { target: noThreatView; x: 0; opacity: 1 }
            PropertyChanges { target: threatsView; x: 0; opacity: 0 }
            PropertyChanges { target: repairCompleteView; x: -570; opacity: 0 }
        },
        State {
            name: "show_threats"
            PropertyChanges { target: welcomeView; x: -570; opacity: 0 }
            PropertyChanges { target: scanningView; x: -570; opacity: 0 }
            PropertyChanges { target: noThreatView; x: 0; opacity: 0 }
            PropertyChanges { target: threatsView; x: 0; opacity: 1 }
            PropertyChanges { target: repairCompleteView; x: 570; opacity: 0 }
        },
        State {
            name: "show_repair_complete"
            PropertyChanges { target: welcomeView; x: -570; opacity: 0 }
            PropertyChanges { target: scanningView; x: -570; opacity: 0 }
            PropertyChanges { target: noThreatView; x: -570; opacity: 0 }
            PropertyChanges { target: threatsView; x: -570; opacity: 0 }
            PropertyChanges { target: repairCompleteView; x: 0; opacity: 1 }
        }
    ]

    // Only these changes slide; any other is immediate.
    transitions: [
        Transition { from: "show_welcome"; to: "show_scanning"; SlideViews {} },
        Transition { from: "show_scanning"; to: "show_threats"; SlideViews {} },
        Transition { from: "show_scanning"; to: "show_nothreat"; SlideViews {} },
        Transition { from: "show_nothreat"; to: "show_welcome"; SlideViews {} },
        Transition { from: "show_threats"; to: "show_welcome"; SlideViews {} },
        Transition { from: "show_threats"; to: "show_repair_complete"; SlideViews {} },
        Transition { from: "show_repair_complete"; to: "show_welcome"; SlideViews {} }
    ]

    component SlideViews: NumberAnimation {
        properties: "x,opacity"
        duration: 200
        easing.type: Easing.OutQuart
    }
}
