// Test double for the JavaScript API loader and the visualization API, served
// in place of the loader host's /jsapi. It offers what the generated page calls
// and makes the checks of the real DataTable, so that a malformed row fails the
// test as it would fail the page. Not shipped.
(function () {
  'use strict';

  var ColumnTypes = ['string', 'number', 'boolean', 'date', 'datetime', 'timeofday'];
  var packages = {};  // package name -> version asked for
  var callbacks = [];
  var windowLoaded = false;

  function DataTable() {
    this.columns = [];
    this.rows = [];
  }

  DataTable.prototype.addColumn = function (type, label) {
    if (ColumnTypes.indexOf(type) < 0) {
      throw new Error('Invalid column type: ' + type);
    }
    this.columns.push({ type: type, label: label === undefined ? '' : String(label) });
    return this.columns.length - 1;
  };

  DataTable.prototype.addRow = function (cells) {
    if (!Array.isArray(cells)) {
      throw new Error('Every row added must be either null or an array.');
    }
    if (cells.length !== this.columns.length) {
      throw new Error('Row given with size different than ' + this.columns.length +
                      ' (the number of columns in the table).');
    }
    for (var i = 0; i < cells.length; ++i) {
      var value = cells[i];
      if (value !== null && value !== undefined && this.columns[i].type === 'string' &&
          typeof value !== 'string') {
        throw new Error('Type mismatch. Value ' + value + ' does not match type string in ' +
                        'column index ' + i);
      }
    }
    this.rows.push(cells.slice());
    return this.rows.length - 1;
  };

  DataTable.prototype.getNumberOfRows = function () { return this.rows.length; };
  DataTable.prototype.getNumberOfColumns = function () { return this.columns.length; };

  DataTable.prototype.checkColumn = function (column) {
    if (typeof column !== 'number' || column < 0 || column >= this.columns.length ||
        column % 1 !== 0) {
      throw new Error('Invalid column index ' + column + '. Should be an integer in the range ' +
                      '[0-' + (this.columns.length - 1) + '].');
    }
  };

  DataTable.prototype.getColumnLabel = function (column) {
    this.checkColumn(column);
    return this.columns[column].label;
  };

  DataTable.prototype.getColumnType = function (column) {
    this.checkColumn(column);
    return this.columns[column].type;
  };

  DataTable.prototype.getValue = function (row, column) {
    if (typeof row !== 'number' || row < 0 || row >= this.rows.length || row % 1 !== 0) {
      throw new Error('Invalid row index ' + row + '. Should be in the range [0-' +
                      (this.rows.length - 1) + '].');
    }
    this.checkColumn(column);
    var value = this.rows[row][column];
    return value === undefined ? null : value;
  };

  var listeners = new WeakMap();  // event source -> event name -> handlers

  var events = {
    addListener: function (source, eventName, handler) {
      if (typeof handler !== 'function') {
        throw new Error('addListener needs a function for ' + eventName);
      }
      if (!listeners.has(source)) {
        listeners.set(source, {});
      }
      var byName = listeners.get(source);
      (byName[eventName] = byName[eventName] || []).push(handler);
      return { source: source, eventName: eventName, handler: handler };
    },
    removeListener: function (handle) {
      var byName = listeners.get(handle.source) || {};
      var list = byName[handle.eventName] || [];
      var at = list.indexOf(handle.handler);
      if (at >= 0) {
        list.splice(at, 1);
      }
    },
    trigger: function (source, eventName, args) {
      var byName = listeners.get(source) || {};
      (byName[eventName] || []).slice().forEach(function (handler) { handler(args); });
    },
  };

  function runCallbacks() {
    var due = callbacks;
    callbacks = [];
    due.forEach(function (callback) { callback(); });
  }

  // The real loader makes google.visualization exist only once it is loaded.
  window.google = {
    load: function (name, version, settings) {
      packages[name] = version;
      if (name === 'visualization') {
        window.google.visualization = { DataTable: DataTable, events: events };
      }
      if (settings && typeof settings.callback === 'function') {
        window.google.setOnLoadCallback(settings.callback);
      }
    },
    setOnLoadCallback: function (callback) {
      callbacks.push(callback);
      if (windowLoaded) {
        setTimeout(runCallbacks, 0);
      }
    },
  };

  window.addEventListener('load', function () {
    windowLoaded = true;
    runCallbacks();
  });

  // What the tests read back.
  window.jsapiDouble = { packages: packages };
})();
