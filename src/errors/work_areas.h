// The work areas of the operations running now, as the error trap reports them ("DataBases in
// use") and as the program closes them when it ends.
//
// An operation that opens tables in its own storage::Workspace keeps a WorkspaceInUse beside it
// for as long as the workspace lives; the list is in the order the operations started. The work
// areas are numbered 1, 2, ... across all of them. One thread (the GUI's).
#pragma once

#include <vector>

#include "errors/error_trap.h"
#include "storage/workspace.h"

namespace errors {

class WorkspaceInUse {
public:
    explicit WorkspaceInUse(storage::Workspace& ws);
    ~WorkspaceInUse();
    WorkspaceInUse(const WorkspaceInUse&) = delete;
    WorkspaceInUse& operator=(const WorkspaceInUse&) = delete;

private:
    storage::Workspace* m_ws;
};

// Every open table of the workspaces in use, with its position, orders and relations.
std::vector<WorkAreaInfo> workAreasInUse();
// The same for one workspace, numbered from `first`.
std::vector<WorkAreaInfo> workAreasOf(storage::Workspace& ws, int first = 1);
// Closes every table of the workspaces in use (writes what is pending, releases the locks).
void closeAllInUse();

}  // namespace errors
