#pragma once

class CProject;

// Told when anything in a project changed (while the project's notifications
// are enabled).
class IProjectListener {
public:
    virtual void OnProjectChanged(CProject* project) = 0;

protected:
    ~IProjectListener() = default;
};
