#pragma once

class QCoreApplication;

// Makes Qt's own texts (file chooser, message-box buttons, edit menus) speak
// Korean like the rest of the program, whatever the locale: installs Qt's
// Korean translations of qtbase and qtserialport from Qt's translations folder
// as children of app, and turns the platform's native dialogs off, since those
// follow the desktop's language rather than these translations. False when the
// qtbase translation is missing (Debian: qt6-translations-l10n); Qt's texts
// then stay English and nothing else changes.
bool UseKoreanStandardDialogs(QCoreApplication& app);
