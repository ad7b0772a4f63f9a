# The game's Python resource loader, run by the game module before it imports the package
# "scripts.game": an import hook that finds the modules and packages below "scripts" among the
# rendering engine's resources, so that the scripts can live in a folder or in a 7z archive that
# "engine.cfg" names. A module "a.b" is the resource "a/b.py", a package the resource
# "a/b/__init__.py". Running the file again installs nothing more.
import importlib.abc
import importlib.util
import sys

import TolvaEngine


class OgreResourceLoader(importlib.abc.MetaPathFinder, importlib.abc.Loader):
    root = "scripts"
    # Checked by name: running this file again defines a new class.
    isOgreResourceLoader = True

    def _resource(self, fullname):
        """The resource holding the module and whether it is a package; (None, False) if none."""
        if fullname != self.root and not fullname.startswith(self.root + "."):
            return None, False
        engine = TolvaEngine.TolvaSingleton.getInstance()
        path = fullname.replace(".", "/")
        for name, package in ((path + "/__init__.py", True), (path + ".py", False)):
            if engine.isResourceAvailable(name):
                return name, package
        return None, False

    def find_spec(self, fullname, path=None, target=None):
        name, package = self._resource(fullname)
        if name is None:
            return None
        spec = importlib.util.spec_from_loader(fullname, self, origin="ogre:" + name, is_package=package)
        spec.has_location = False
        return spec

    def create_module(self, spec):
        return None

    def exec_module(self, module):
        name = module.__spec__.origin[len("ogre:"):]
        source = TolvaEngine.TolvaSingleton.getInstance().getResourceData(name)
        exec(compile(source, module.__spec__.origin, "exec"), module.__dict__)


if not any(getattr(finder, "isOgreResourceLoader", False) for finder in sys.meta_path):
    sys.meta_path.insert(0, OgreResourceLoader())
