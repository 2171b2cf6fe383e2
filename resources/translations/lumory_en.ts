<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AppDelegate</name>
    <message>
        <source>Open Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show Bottom Bar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hide Bottom Bar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open a folder containing images</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh selected folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move selected items to Trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reveal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reveal selected items in File Manager</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Slideshow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start/stop slideshow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shuffle</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start shuffled slideshow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hide Sidebar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show Sidebar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hide File Names</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show File Names</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop Slideshow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start Slideshow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No Recent Folders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Recent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reveal in File Manager</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preferences…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy File Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zoom In</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zoom Out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sort Thumbnails</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>By Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>By Creation Date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>By Modification Date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>By File Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ascending</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Descending</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sort Sidebar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder Depth</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This Folder Only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All Subfolders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Go</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Previous Image</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next Image</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Back to Thumbnails</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Selected Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enclosing Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Slideshow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start Shuffled Slideshow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Window</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Main Window</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lumory Website</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No folder open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open a folder to browse its images.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Folder…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Smaller thumbnails</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larger thumbnails</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Include subfolders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 image</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 of 1 selected • %1 × %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 images</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2 selected • %3 × %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2 selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1”: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This item could not be moved to the Trash and is still in its folder:
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>These items could not be moved to the Trash and are still in their folders:
%1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DebugWindowController</name>
    <message>
        <source>Debug</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cache:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Items:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drawn last pass:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pending loads:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Log Break</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FullSizeView</name>
    <message>
        <source>Open With</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy File Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zoom Out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Actual Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zoom In</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zoom to Fit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Previous</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LMRApplications</name>
    <message>
        <source>Opening files with another application is not available in this build.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LMRFileTransfer</name>
    <message>
        <source>“%1” couldn&apos;t be copied to “%2”: %3 (%4).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” couldn&apos;t be moved to “%2”: %3 (%4).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” couldn&apos;t be copied to “%2” because an item with the same name already exists.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” couldn&apos;t be moved to “%2” because an item with the same name already exists.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” couldn&apos;t be copied into itself.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” couldn&apos;t be moved into itself.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” was copied to “%2”, but the original couldn&apos;t be removed: %3.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OutlineView</name>
    <message>
        <source>Contextual Menu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reveal in File Manager</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Preferences</name>
    <message>
        <source>The folder “%1” could not be opened: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder “%1” could not be remembered: %2.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PreferencesWindowController</name>
    <message>
        <source>Reset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Background:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File names:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selection:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show PDF documents</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show videos</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>High-quality thumbnails</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Items:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Thumbnails:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>seconds per image</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Slideshow:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
