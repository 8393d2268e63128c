#pragma once
// Local files of the OBEX transfers: object names from local paths, local paths from remote
// names, and the guard that keeps a remote name from reaching outside its folder.
#include "platform/mfc/cstring.h"

// The part of a local path after its last separator ('\' or '/'): the whole path without one.
CString ObjectNameOf(const CString& path);
// `name` inside the local folder `folder` (a handheld path such as "\Temp", or a native one).
CString LocalPathIn(const CString& folder, const CString& name);
// A name that is only a file name: not empty, not "." or "..", no separator or control
// character. Remote listings are untrusted; only such names become local files.
bool IsPlainFileName(const CString& name);
