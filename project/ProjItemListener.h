#pragma once

class CProjItem;

// Receives the change notifications of model items. Every item passes the
// notifications of its children on to its own parent, up to the project.
class IProjItemListener {
public:
    virtual void OnItemChanged(CProjItem* item) = 0;

protected:
    ~IProjItemListener() = default;
};
