import QtQuick

// The end of the removal of the threat files; files that stay on the disk
// are counted, never passed over.
ScanResult {
    headline: engine.notRemovedCount > 0 ? qsTr("Not every threat was removed") : "Repair Complete!"
    note: engine.notRemovedCount === 1 ? qsTr("1 threat file could not be deleted and is still on the disk.")
        : engine.notRemovedCount > 1 ? qsTr("%1 threat files could not be deleted and are still on the disk.").arg(engine.notRemovedCount)
        : ""
}
