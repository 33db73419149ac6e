<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>EKConfiguration</name>
    <message>
        <source>Select render output path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select Monitor path</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>EKConfigurationDialog</name>
    <message>
        <source>Settings pages</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Storage path of render output</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Browse for the storage path of render output</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Browse</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Monitored path of scene file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Browse for the monitored path of scene files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Node pool</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Subtask by frame</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Transfer Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start with system</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enable auto login</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enable auto download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enbale prerender</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enbale set argument</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enbale render layer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enbale interruption when error occurs</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Upload scene file only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enable upload failed files automatically</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Render software versions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Double-click a version&apos;s installation path to choose the folder it is installed in</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Double click table&apos;s colum two to set installation path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sound after finish</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Popup after finish</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Current version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Latest version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enbale auto update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Apply</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Module %1 is invalid</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>[%1] Module %2 is invalid</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>General</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Render</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reminder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>VersionSetting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Browse</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enable auto download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enable auto login</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start with system</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enbale auto update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enbale prerender</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enbale set argument</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enbale interruption when error occurs</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enbale render layer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enable upload failed files automatically</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Upload scene file only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Popup after finish</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sound after finish</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Apply</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Storage path of render output</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Monitored path of scene file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Node pool</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Subtask by frame</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Transfer Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Double click table&apos;s colum two to set installation path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Current version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Latest version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Software Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Installation Path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose software installation path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ok</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure to quit and update?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
