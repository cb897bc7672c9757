#pragma once

#include <string>

// Folder kinds. Kinds 1 and 4 name folders of the program (its plug-in folder
// and its help page); kinds 0 and 2 name the user's working folders, each
// remembered in a setting.
enum EFolderKind : int {
    kFolderPictures = 0,  // the user's pictures folder, setting "UpathImg"
    kFolderPlugins = 1,   // the program folder + "plugins/", else the installed plug-in folder
    kFolderDocuments = 2, // the user's documents folder, setting "UpathProj"
    kFolderVideos = 3,    // the user's videos folder (no setting)
    kFolderHelp = 4,      // the program folder + "help/", else the installed help folder
    kFolderDemo = 5,      // the build tree's samples/, else the installed data folder
};

// Builds the program folder of the kind into path (with a trailing '/') and
// returns whether that folder exists. Returns false, leaving path empty, when the
// kind is not a program folder or the program's own location cannot be found.
bool GetAppFolder(int kind, std::string& path);

// GetAppFolder for a program living in programFolder (with a trailing '/').
// A build tree keeps the program's folders beside its executables; an
// installation keeps them in its lib/ and share/ trees, found from the
// executables' folder by the same relative paths whatever the prefix. The
// folder beside the executables wins when both exist; when neither does, path
// names the one beside them.
bool FindAppFolder(const std::string& programFolder, int kind, std::string& path);

// Builds the user's default folder of the kind: the XDG user directory
// (~/.config/user-dirs.dirs), falling back to ~/Pictures, ~/Documents or
// ~/Videos. With
// useSetting, the remembered setting of that kind replaces it (the built folder
// being the setting's default). Returns whether the resulting folder exists; it
// is never created.
bool GetUserFolder(int kind, std::string& path, bool useSetting);

// Remembers a folder for the kind (writes its setting).
void SetUserFolder(int kind, const std::string& path);

// The folder of the running executable, with a trailing '/'; computed once.
// Empty when it cannot be found.
const std::string& GetProgramFolder();

// Whether path names an existing directory.
bool FolderExists(const std::string& path);

// The user's home folder ($HOME, else the password database); empty when
// neither says.
std::string HomeFolder();
