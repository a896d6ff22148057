#pragma once
// The Windows side of preparing pictures in the background (PicturePreparer.h): the jobs run on the
// process's thread pool at a priority by their urgency, the window hears of a finished job by a posted
// message, and a program that ends while a job still decodes ends without it. Also the watch on a
// folder that tells a browser to read its listing anew.

#include "display/JobExecutor.h"
#include "display/PicturePreparer.h"
#include "framework/Handles.h"

#include <windows.h>

#include <string>

// The message that announces a finished job to the window that prepares pictures.
inline constexpr UINT kMsgPicturesReady = WM_APP + 1;

// The process's executor: a thread of the pool (started long before, it takes a job at once) or, when
// the pool refuses, a thread of the job's own. A job that a window waits for runs at the window's
// priority, a job that prepares ahead below it, an abandoned one lowest.
CJobExecutor& ProcessJobExecutor();

// Posts kMsgPicturesReady to `window`.
CPicturePreparer::CAnnouncer AnnounceTo(HWND window);

// Ends the process at once with `exitCode` while a job, abandoned by a window that has gone, still
// runs: the system's decoder may hold locks that the normal end of a process (the libraries'
// detaching) would wait for. Does nothing when no job runs. For a program's very end.
void EndProcessIfPreparing(int exitCode);

// Whether anything in a folder was added, removed, renamed, written or resized since the last call.
class CFolderChanges {
public:
    // Starts watching `folder` (not its subfolders); without a watch, Changed answers false.
    void Watch(const std::wstring& folder);
    bool Changed();

private:
    CChangeNotification m_notification;
};
