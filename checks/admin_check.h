#pragma once

// True unless the build's administrator-install setting is exactly "0".
bool IsAdminInstall();
// True when the calling thread's token is an enabled member of the Administrators group.
bool IsUserAdministrator();
