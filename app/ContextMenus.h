#pragma once
// The context menu of the thumbnail grid. The grid fills the entry whose data is -1 (its open-with
// submenu) each time the menu opens; the other entries are the window's own command actions, so it
// is built after the menus.

class AppDelegate;
class ImageCollectionView;
class QMenu;

QMenu *LMRBuildThumbnailContextMenu(AppDelegate *appDelegate, ImageCollectionView *grid);
