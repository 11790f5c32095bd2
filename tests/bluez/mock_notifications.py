# SPDX-License-Identifier: MIT
# The stock mock notification daemon, served on the private bus of the tests.
from dbusmock.templates.notification_daemon import *  # noqa: F401,F403

SYSTEM_BUS = True
