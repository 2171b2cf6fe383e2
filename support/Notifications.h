#pragma once
// Names of the notifications posted on LMRNotificationCenter::defaultCenter().

#include <QString>

namespace LMRNotifications {
// Settings changes, posted by Preferences after the new value is stored and readable.
inline const QString BackgroundColorChanged = QStringLiteral("LMRBackgroundColorChanged");
inline const QString LabelColorChanged = QStringLiteral("LMRLabelColorChanged");
inline const QString SelectionColorChanged = QStringLiteral("LMRSelectionColorChanged");
inline const QString ShowFilenamesChanged = QStringLiteral("LMRShowFilenamesChanged");
inline const QString HighQualityThumbnailsChanged = QStringLiteral("LMRHighQualityThumbnailsChanged");
inline const QString SlideshowPacingChanged = QStringLiteral("LMRSlideshowPacingChanged");
// The desktop switched between light and dark (LMRSystemAppearance).
inline const QString AppearanceChanged = QStringLiteral("AppleInterfaceThemeChangedNotification");
} // namespace LMRNotifications
