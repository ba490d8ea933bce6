// Whose run this is: a deployment account's or a person's.
//
// Deployment tools, Group Policy and the Windows Installer service run the installer as
// LocalSystem in session 0, the services' session, which has no desktop anyone sees. A person runs
// it elevated in their own session. What belongs to a person (their tray program, their default
// printer) is done for them only in a person's run; a deployment run leaves it to each person's
// own session.
#pragma once

namespace qv {

// True as LocalSystem or in session 0; also when either cannot be told, so that nothing meant
// for a person is ever done as SYSTEM.
bool RunsAsDeploymentAccount();

}  // namespace qv
