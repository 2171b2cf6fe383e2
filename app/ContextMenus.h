#pragma once
// The context menu of the thumbnail grid. The grid fills the entry whose data is -1 (its open-with
// submenu) each time the menu opens; the other entries send their commands to the grid or to the
// application delegate.

class AppDelegate;
class ImageCollectionView;
class QMenu;

QMenu *LMRBuildThumbnailContextMenu(AppDelegate *appDelegate, ImageCollectionView *grid);
