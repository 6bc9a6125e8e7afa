#include "RegistryDatabase.h"
#include "automation/Registry.h"

RegistryTransaction::RegistryTransaction() : mStatus(ERROR_SUCCESS), mOpen(false), mDepth(0)
{
    RegistryDatabase* theDb = RegistryDatabase::ForThread(RegistryDatabase::Intent::kWrite, &mStatus);
    if (theDb == nullptr)
        return;
    mStatus = theDb->BeginTransaction(&mDepth);
    mOpen = mStatus == ERROR_SUCCESS;
}

RegistryTransaction::~RegistryTransaction()
{
    if (!mOpen)
        return;
    LONG theError;
    if (RegistryDatabase* theDb = RegistryDatabase::ForThread(RegistryDatabase::Intent::kWrite, &theError))
        theDb->RollbackTransaction(mDepth);
}

LONG RegistryTransaction::Commit()
{
    if (!mOpen)
        return mStatus != ERROR_SUCCESS ? mStatus : static_cast<LONG>(ERROR_INVALID_PARAMETER);
    mOpen = false;
    LONG theError;
    RegistryDatabase* theDb = RegistryDatabase::ForThread(RegistryDatabase::Intent::kWrite, &theError);
    if (theDb == nullptr)
        return theError;
    return theDb->CommitTransaction(mDepth);
}
