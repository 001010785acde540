"""A ready office profile kept between servers.

A fresh profile folder costs the office a first start that only sets the profile up and then asks
to be started again: a fifth of a second on every server start. The profile of an office that has
started and answers is kept (per office build) in the user's cache, and later servers start from a
copy of it; their own folder stays private, so no two offices ever share a profile.
"""
import os
import shutil
import tempfile


def template_path(office_binary):
    """Where the profile of this office build is kept; None when the office cannot be found."""
    try:
        stamp = os.stat(office_binary)
    except OSError:
        return None
    cache = os.environ.get("XDG_CACHE_HOME", "")
    if not cache.startswith("/"):
        cache = os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(cache, "docvane", "office-profile-%d-%d" % (stamp.st_size, int(stamp.st_mtime)))


def seed(template, profile):
    """Copies the kept profile to profile (a folder that must not exist yet); True when done."""
    if template is None or not os.path.isdir(template):
        return False
    try:
        shutil.copytree(template, profile, symlinks=True)
    except (OSError, shutil.Error):
        shutil.rmtree(profile, ignore_errors=True)
        return False
    return True


def keep(template, profile):
    """Keeps a copy of profile as the template unless there is one already (whole or not at all)."""
    if template is None or os.path.isdir(template) or not os.path.isdir(profile):
        return
    parent = os.path.dirname(template)
    staging = None
    try:
        os.makedirs(parent, mode=0o700, exist_ok=True)
        staging = tempfile.mkdtemp(prefix=".profile-", dir=parent)
        copy = os.path.join(staging, "profile")
        shutil.copytree(profile, copy, symlinks=True, ignore=shutil.ignore_patterns(".lock"))
        os.rename(copy, template)  # fails when another server has kept its profile meanwhile
    except (OSError, shutil.Error):
        pass
    finally:
        if staging is not None:
            shutil.rmtree(staging, ignore_errors=True)


def discard(template):
    """Removes a kept profile an office could not start with."""
    if template is not None:
        shutil.rmtree(template, ignore_errors=True)
