'use strict';
// The npm package's install step: builds the native part (the server, its imaging platform and
// the Node addon) from native/ with CMake into build/lib, against the Debian libraries on the
// machine. When something the build needs is missing it names the apt-get line and stops.
// VX_INSTALL_JOBS sets the build's parallel jobs (default: the processors there are).
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const root = path.resolve(__dirname, '..');
const source = path.join(root, 'native');
const build = path.join(root, 'build');
const work = path.join(build, 'work');
const targets = ['vellumax', 'vx-imaging', 'vellumax-node'];

// What the build needs: each check and the Debian package that satisfies it.
const pkgConfigModules = [
  ['sqlite3', 'libsqlite3-dev'], ['libpng', 'libpng-dev'], ['libdeflate', 'libdeflate-dev'], ['libjpeg', 'libjpeg62-turbo-dev'],
  ['libtiff-4', 'libtiff-dev'], ['libwebp', 'libwebp-dev'], ['cairo', 'libcairo2-dev'],
  ['pangocairo', 'libpango1.0-dev'], ['pangoft2', 'libpango1.0-dev'], ['fontconfig', 'libfontconfig-dev'],
  ['freetype2', 'libfreetype-dev'],
];
const commands = [['cmake', 'cmake'], ['g++', 'g++'], ['pkg-config', 'pkg-config']];

function succeeds(command, args) {
  const run = spawnSync(command, args, { stdio: 'ignore' });
  return !run.error && run.status === 0;
}

function nodeHeaders() {
  const candidates = [path.join(path.dirname(process.execPath), '..', 'include', 'node'), '/usr/include/node'];
  return candidates.find((dir) => fs.existsSync(path.join(dir, 'node_api.h'))) || null;
}

function missingPackages() {
  const missing = new Set();
  for (const [command, pkg] of commands) if (!succeeds(command, ['--version'])) missing.add(pkg);
  if (!succeeds('ninja', ['--version']) && !succeeds('make', ['--version'])) missing.add('ninja-build');
  const hasPkgConfig = !missing.has('pkg-config');
  for (const [module, pkg] of pkgConfigModules) {
    if (!hasPkgConfig || !succeeds('pkg-config', ['--exists', module])) missing.add(pkg);
  }
  if (!fs.existsSync('/usr/include/gif_lib.h')) missing.add('libgif-dev');
  if (!nodeHeaders()) missing.add('libnode-dev');
  return [...missing];
}

function run(command, args) {
  const result = spawnSync(command, args, { stdio: 'inherit' });
  if (result.error) throw result.error;
  if (result.status !== 0) {
    console.error(`vellumax: ${command} ${args.join(' ')} failed (status ${result.status})`);
    process.exit(1);
  }
}

function main() {
  const missing = missingPackages();
  if (missing.length > 0) {
    console.error('vellumax: building the native part needs Debian packages that are missing. Install them with\n' +
                  `  sudo apt-get install ${missing.join(' ')}\n` +
                  'then run `npm rebuild vellumax`.');
    process.exit(1);
  }
  const started = process.hrtime.bigint();
  fs.rmSync(build, { recursive: true, force: true });
  const jobs = process.env.VX_INSTALL_JOBS || String(os.availableParallelism ? os.availableParallelism() : os.cpus().length);
  const generator = succeeds('ninja', ['--version']) ? 'Ninja' : 'Unix Makefiles';
  run('cmake', ['-S', source, '-B', work, '-G', generator, '-DCMAKE_BUILD_TYPE=Release',
                '-DVX_BUILD_TESTS=OFF', '-DVX_BUILD_BENCH=OFF', '-DVX_BUILD_RPATH=$ORIGIN',
                `-DVX_NODE_API_INCLUDE=${nodeHeaders()}`, `-DVX_NODE=${process.execPath}`,
                '-Wno-dev', '--log-level=WARNING']);
  run('cmake', ['--build', work, '--parallel', jobs, '--target', ...targets]);
  // Only the modules stay: the objects would take ten times their room.
  fs.renameSync(path.join(work, 'lib'), path.join(build, 'lib'));
  fs.rmSync(work, { recursive: true, force: true });
  const seconds = Number(process.hrtime.bigint() - started) / 1e9;
  console.log(`vellumax: native part built in ${seconds.toFixed(0)} s into ${path.join(build, 'lib')}`);
}

main();
